// The list's sort keys order texts exactly as the comparison does: the sorted
// add and the exact search compare keys, the comparison is the definition.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/linux/user/collation.h"

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

TEST(Collation, SortKeysCompareAsTheTextsDo) {
    // Texts that differ only at one level, or by an ignored byte, or where
    // one is a prefix of the other, and random texts over letters with and
    // without accents, digits, symbols and the ignored hyphen and apostrophe.
    std::vector<std::string> texts = {"",
                                      "a",
                                      "A",
                                      "b",
                                      "-",
                                      "'",
                                      "a-b",
                                      "ab",
                                      "a'b",
                                      "Ab",
                                      "aB",
                                      "abc",
                                      "\xE9",
                                      "e",
                                      "E",
                                      "\xC9",
                                      "\xE9t\xE9",
                                      "ete",
                                      "1",
                                      "9",
                                      "!",
                                      "\x8A",
                                      "\x9A",
                                      "s",
                                      "\xFF",
                                      "y",
                                      "\x9F",
                                      "\xD7",
                                      "co-op",
                                      "coop",
                                      "Co-Op",
                                      "\xAD"
                                      "a",
                                      "a\xAD",
                                      "[x]",
                                      "x"};
    const std::string alphabet = "aAbBzZeE\xE9\xC9\xE8\xF6\xD6\xDF\xD7\xF7-'\xAD 09![\x8A\x9A\x83\xFF";
    std::mt19937 random(2026);
    for (int i = 0; i < 400; ++i) {
        std::string text;
        for (int length = static_cast<int>(random() % 7); length > 0; --length)
            text.push_back(alphabet[random() % alphabet.size()]);
        texts.push_back(text);
    }
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            ASSERT_EQ(sign(winlayer::sortKey(a).compare(winlayer::sortKey(b))),
                      sign(winlayer::compareText(a, b)))
                << "\"" << a << "\" against \"" << b << "\"";
        }
    }
}
