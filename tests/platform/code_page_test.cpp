// The codec of the ANSI code pages: every byte survives a round trip, the
// code points agree with the platform's own conversion tables, names the code
// page cannot hold get the platform's '?', and the locale chooses the page.
// The tests run with LC_ALL=C.UTF-8: Windows-1252 until a test chooses another.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/code_page.h"
#include "platform/nls/nls_tables.h"
#include "platform/user_locale.h"
#include "tests/platform/code_page_reference.h"

namespace {

std::string byteString(int byte) {
    return std::string(1, static_cast<char>(byte));
}

// Decodes one UTF-8 sequence (the codec's output is trusted to be well formed
// here; the round trip below checks it).
char32_t onlyCodePoint(const std::string& utf8) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    if (utf8.size() == 1) return b(0);
    if (utf8.size() == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if (utf8.size() == 3) return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return 0xFFFFFFFF;
}

}  // namespace

TEST(Cp1252, EveryByteHasItsOwnCodePointAndComesBack) {
    std::set<char32_t> seen;
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        const std::string utf8 = ansiToUtf8(byteString(byte));
        const char32_t cp = onlyCodePoint(utf8);
        EXPECT_TRUE(seen.insert(cp).second) << "byte " << byte << " shares a code point";
        std::string back;
        ASSERT_TRUE(utf8ToAnsi(utf8, back)) << "byte " << byte;
        EXPECT_EQ(back, byteString(byte));
        all += byteString(byte);
    }
    std::string back;
    ASSERT_TRUE(utf8ToAnsi(ansiToUtf8(all), back));
    EXPECT_EQ(back, all);
}

// Every page's bytes: each its own code point, the platform's.
TEST(AnsiCodePage, EveryPagesCodePointsAreThePlatforms) {
    const DefaultLocaleAfter restore;
    for (int i = 0; i < CodePageTableCount; ++i) {
        const int page = CodePageTables[i].codePage;
        ASSERT_TRUE(useCodePage(page));
        std::set<char32_t> seen;
        for (int byte = 1; byte < 256; ++byte) {
            const char32_t got = onlyCodePoint(ansiToUtf8(byteString(byte)));
            EXPECT_TRUE(seen.insert(got).second) << page << ": byte " << byte << " shares a code point";
            char32_t expected = 0;
            if (referenceCodePoint(page, static_cast<unsigned char>(byte), expected)) {
                EXPECT_EQ(got, expected) << page << ": byte " << byte;
            }
        }
    }
}

TEST(Cp1252, UndefinedBytesBecomeTheirC1Controls) {
    for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(onlyCodePoint(ansiToUtf8(byteString(byte))), static_cast<char32_t>(byte));
    EXPECT_EQ(ansiToUtf8("\x80 caf\xe9\r\n"), "\xE2\x82\xAC caf\xC3\xA9\r\n");
}

TEST(Cp1252, RejectsTextWithoutWindows1252Bytes) {
    std::string out;
    const char* const rejected[] = {
        "\xC2\x80",          // U+0080: a C1 control the code page does not reach
        "\xE4\xB8\x80",      // U+4E00
        "\xF0\x9F\x82\xA1",  // a four-byte character
        "\xC3",              // cut sequence
        "\xC0\xAF",          // overlong slash
        "\xED\xA0\x80",      // surrogate
        "\xFF",
    };
    for (const char* text : rejected) EXPECT_FALSE(utf8ToAnsi(text, out)) << text;
    EXPECT_TRUE(utf8ToAnsi("", out));
    EXPECT_EQ(out, "");
}

// What the platform makes of text the code page cannot hold: its best-fit
// byte where it has one, otherwise '?' per UTF-16 unit; '?' for each byte
// that starts no valid sequence.
TEST(Cp1252, BestFitGivesThePlatformsBytes) {
    const DefaultLocaleAfter restore;
    struct Case {
        const char* utf8;
        const char* bytes;
        bool exact;
        int codePage = 1252;
    } const cases[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x98", "caf\xE9 \x80 \x91", true},  // all in the code page
        // A name and a planeswalker's loyalty copied from a web page.
        {"J\xC3\xB6tun \xC3\x86rgarde \xE2\x82\xAC\xE2\x80\x94\xCE\xA9 \xE2\x88\x92"
         "3 L\xC5\x8Drien \xC5\x81\xC3\xB3\x64\xC5\xBA",
         "J\xF6tun \xC6rgarde \x80\x97O -3 Lorien L\xF3"
         "dz",
         false},
        {"\xC4\x80\xC4\xB1\xC5\x93\xCA\xBC\xE2\x81\x84", "Ai\x9C'/",
         false},                                    // U+0100 U+0131 U+0153 U+02BC U+2044
        {"\xEF\xBC\xA1\xEF\xBD\x9A", "Az", false},  // fullwidth A and z
        {"\xD0\x96\xE6\x97\xA5 x", "?? x", false},  // U+0416 U+65E5: no best fit
        {"a\xF0\x9F\x82\xA1z", "a??z", false},      // beyond U+FFFF: two units
        {"\xC2\x80\xC2\x81", "?\x81", false},       // U+0080 has no byte; U+0081 is 0x81
        {"caf\xE9", "caf?", false},                 // Latin-1, not UTF-8
        {"\xE2\x82", "??", false},                  // cut sequence
        {"\xC0\xAF", "??", false},                  // overlong slash
        {"", "", true},
        // Polish and Russian: their letters, the best fit of others, or '?'.
        {"\xC4\x84\xC5\x82\xC5\xA0\xC4\x8D", "\xA5\xB3\x8A\xE8", true, 1250},                  // Ąłšč
        {"\xC3\xA5\xE2\x88\x92\xD0\x96", "a-?", false, 1250},                                  // å−Ж
        {"\xD0\x90\xD0\xB1\xD0\xB2\xD0\x81\xE2\x84\x96", "\xC0\xE1\xE2\xA8\xB9", true, 1251},  // АбвЁ№
        {"\xC3\xA9\xC3\x84\xE2\x88\x92", "eA?", false, 1251},                                  // éÄ−
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(useCodePage(c.codePage));
        bool exact = !c.exact;
        EXPECT_EQ(utf8ToAnsiBestFit(c.utf8, &exact), c.bytes) << c.utf8;
        EXPECT_EQ(exact, c.exact) << c.utf8;
    }
    ASSERT_TRUE(useCodePage(1252));
    EXPECT_EQ(ansiByte(0x20AC), 0x80);
    EXPECT_EQ(ansiByte(0x0080), -1);
    EXPECT_EQ(ansiByte(0x0100), -1);
}

// On Windows every page's recorded best-fit table against the platform's
// live conversion, over Latin-1 Supplement to Latin Extended-B, IPA and
// spacing modifiers, Greek, Cyrillic, general punctuation to mathematical
// operators, box drawing and the fullwidth forms.
TEST(AnsiCodePage, BestFitMatchesThePlatformOverWideRanges) {
    const DefaultLocaleAfter restore;
    const char32_t ranges[][2] = {{0x0080, 0x03FF}, {0x0400, 0x04FF}, {0x2000, 0x22FF},
                                  {0x2500, 0x257F}, {0x3000, 0x3003}, {0xFF00, 0xFF5E}};
    int checked = 0;
    for (int i = 0; i < CodePageTableCount; ++i) {
        const int page = CodePageTables[i].codePage;
        ASSERT_TRUE(useCodePage(page));
        for (const auto& range : ranges) {
            for (char32_t unit = range[0]; unit <= range[1]; ++unit) {
                char expected = 0;
                if (!referenceBestFit(page, static_cast<char16_t>(unit), expected))
                    GTEST_SKIP() << "no reference here";
                std::string got;
                appendAnsiBestFit(got, unit);
                EXPECT_EQ(got, std::string(1, expected))
                    << page << ": U+" << std::hex << static_cast<unsigned>(unit);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 15000);
}

// The locale's code page (LC_CTYPE) and order (LC_MESSAGES), as Wine names
// and maps them.
TEST(AnsiCodePage, TheLocaleChoosesThePage) {
    const DefaultLocaleAfter restore;
    struct Case {
        const char* ctype;
        const char* messages;
        int codePage;
        const char* sortLocale;
    } const cases[] = {
        {"C", "POSIX", 1252, "en-US"},
        {"sv_SE.UTF-8", "sv_SE.UTF-8", 1252, "sv-SE"},
        {"ru_RU.UTF-8", "de_DE.UTF-8", 1251, "de-DE"},
        {"pl_PL", "pl_PL", 1250, "pl-PL"},
        {"sr_RS.UTF-8@latin", "sr_RS.UTF-8@latin", 1250, "sr-Latn-RS"},
        {"uk_UA.KOI8-U", "", 1251, "en-US"},
        {"ja_JP.UTF-8", "ja_JP.UTF-8", 1252, "ja-JP"},  // double-byte: Windows-1252 here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ctype);
        useLocale(c.ctype, c.messages);
        EXPECT_EQ(ansiCodePage(), c.codePage);
        EXPECT_EQ(processLocale().sortLocale, c.sortLocale);
    }
    EXPECT_FALSE(useCodePage(437));
    EXPECT_FALSE(useCodePage(65001));
}
