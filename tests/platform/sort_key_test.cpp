// The order of Windows-1252 text: the keys made here are the platform's, for
// the texts recorded under Wine on both builds, and on Windows for random
// texts against the live platform too.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/sort_key.h"
#include "tests/platform/code_page_reference.h"
#include "tests/platform/nls_reference.h"

namespace {

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

}  // namespace

TEST(SortKey, IsThePlatformsForTheRecordedTexts) {
    for (int i = 0; i < ReferenceTextCount; ++i) {
        const ReferenceText& reference = ReferenceTexts[i];
        EXPECT_EQ(hex(sortKey(reference.text)), hex(reference.key)) << "text " << hex(reference.text);
    }
    EXPECT_EQ(compareText("\xC6ther Vial", "Aether Flash"), 1);
    EXPECT_EQ(compareText("\xC6ther Vial", "Afterlife"), -1);
    EXPECT_EQ(compareText("\xC6", "ae"), 0);
    EXPECT_EQ(compareText("co-op", "coop"), 1);
}

// Random texts over every byte, longer than a place among the primary
// weights fits in one byte, and over bytes that expand, carry accents or case
// weights, or sort apart.
TEST(SortKey, IsThePlatformsForRandomTexts) {
    std::string key;
    if (!referenceSortKey("a", key)) GTEST_SKIP() << "no live reference here";
    const std::string tricky =
        "aAeE-'\x01\x1F\x7F\xAD\x81\x90\xC6\xE6\xDF\xFE\xDE\x8C\x9C\xE9\xC9\xAA\xB2\xBA 1\x96\x97";
    std::mt19937 random(2026);
    std::string previous;
    for (int i = 0; i < 4000; ++i) {
        std::string text;
        const int length = i % 100 == 0 ? 300 : static_cast<int>(random() % 8);
        for (int k = 0; k < length; ++k)
            text += i % 2 ? tricky[random() % tricky.size()] : static_cast<char>(1 + random() % 255);
        ASSERT_TRUE(referenceSortKey(text, key));
        ASSERT_EQ(hex(sortKey(text)), hex(key)) << "text " << hex(text);
        int order = 0;
        ASSERT_TRUE(referenceCompare(previous, text, order));
        ASSERT_EQ(compareText(previous, text), order) << hex(previous) << " against " << hex(text);
        previous = text;
    }
}
