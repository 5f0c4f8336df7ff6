// The order of Windows-1252 text: the keys made here are the platform's, for
// the texts recorded under Wine on both builds, and on Windows for random
// texts against the live platform too.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/nls/nls_tables.h"
#include "platform/sort_key.h"
#include "platform/user_locale.h"
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

// Chooses the locale the platform names `name` ("sv-SE") as LC_ALL=sv_SE would.
void useLocaleNamed(std::string name) {
    name[name.find('-')] = '_';
    useLocale(name, name);
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

// The keys of each locale's recorded texts.
TEST(SortKey, IsThePlatformsInOtherLocales) {
    const DefaultLocaleAfter restore;
    for (int i = 0; i < LocaleTextCount; ++i) {
        const LocaleText& row = LocaleTexts[i];
        useLocaleNamed(row.locale);
        EXPECT_EQ(hex(sortKey(row.text)), hex(row.key)) << row.locale << " text " << hex(row.text);
    }
}

// On Windows, every locale with an order of its own, and every code page's
// default order, against the live platform on random texts of the page.
// Where a byte is a combining mark or a sign that changes its neighbour's
// weight (Thai 874, Greek 1253, Hebrew 1255, Arabic 1256, Baltic 1257,
// Vietnamese 1258), a key made byte by byte is near the platform's but not
// always equal: measured here, 3 to 40 % of such random texts differ.
TEST(SortKey, EveryRecordedOrderIsThePlatformsForRandomTexts) {
    const DefaultLocaleAfter restore;
    std::string key;
    if (!referenceLocaleSortKey("en-US", 1252, "a", key)) GTEST_SKIP() << "no live reference here";
    std::vector<std::pair<std::string, int>> orders;
    for (int i = 0; i < SortTableCount; ++i)
        orders.emplace_back(SortTables[i].locale, SortTables[i].codePage);
    for (int i = 0; i < CodePageTableCount; ++i) orders.emplace_back("en-US", CodePageTables[i].codePage);
    std::mt19937 random(23);
    for (const auto& [locale, page] : orders) {
        SCOPED_TRACE(locale + " " + std::to_string(page));
        useLocaleNamed(locale);
        ASSERT_TRUE(useCodePage(page));
        int wrong = 0;
        for (int i = 0; i < 2000; ++i) {
            std::string text;
            for (int k = 0, length = 1 + static_cast<int>(random() % 8); k < length; ++k)
                text += static_cast<char>(1 + random() % 255);
            ASSERT_TRUE(referenceLocaleSortKey(locale.c_str(), page, text, key));
            wrong += sortKey(text) != key;
        }
        const bool byteByByte = page == 1250 || page == 1251 || page == 1252 || page == 1254;
        if (byteByByte) {
            EXPECT_EQ(wrong, 0);
        }
    }
}
