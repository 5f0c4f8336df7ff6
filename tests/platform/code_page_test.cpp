// The Windows-1252 codec: every byte survives a round trip, the code points
// agree with the platform's own conversion tables, and names the code page
// cannot hold get the platform's '?'.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/code_page.h"
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
        const std::string utf8 = cp1252ToUtf8(byteString(byte));
        const char32_t cp = onlyCodePoint(utf8);
        EXPECT_TRUE(seen.insert(cp).second) << "byte " << byte << " shares a code point";
        std::string back;
        ASSERT_TRUE(utf8ToCp1252(utf8, back)) << "byte " << byte;
        EXPECT_EQ(back, byteString(byte));
        all += byteString(byte);
    }
    std::string back;
    ASSERT_TRUE(utf8ToCp1252(cp1252ToUtf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(Cp1252, CodePointsMatchThePlatformTable) {
    for (int byte = 1; byte < 256; ++byte) {
        char32_t expected = 0;
        if (!referenceCodePoint(static_cast<unsigned char>(byte), expected)) continue;
        EXPECT_EQ(onlyCodePoint(cp1252ToUtf8(byteString(byte))), expected) << "byte " << byte;
    }
}

TEST(Cp1252, UndefinedBytesBecomeTheirC1Controls) {
    for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(onlyCodePoint(cp1252ToUtf8(byteString(byte))), static_cast<char32_t>(byte));
    EXPECT_EQ(cp1252ToUtf8("\x80 caf\xe9\r\n"), "\xE2\x82\xAC caf\xC3\xA9\r\n");
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
    for (const char* text : rejected) EXPECT_FALSE(utf8ToCp1252(text, out)) << text;
    EXPECT_TRUE(utf8ToCp1252("", out));
    EXPECT_EQ(out, "");
}

// What the 8-bit file calls give for a name the code page cannot hold.
TEST(Cp1252, LossyConversionGivesOneQuestionMarkPerCharacterOrStrayByte) {
    struct Case {
        const char* utf8;
        const char* bytes;
    } const cases[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80"},  // all in the code page
        {"\xE6\x97\xA5\xE6\x9C\xAC x", "?? x"},        // U+65E5 U+672C
        {"a\xF0\x9F\x82\xA1z", "a?z"},                 // one four-byte character
        {"\xC2\x80\xC2\x81", "?\x81"},                 // U+0080 has no byte; U+0081 is 0x81
        {"caf\xE9", "caf?"},                           // Latin-1, not UTF-8
        {"\xE2\x82", "??"},                            // cut sequence
        {"\xC0\xAF", "??"},                            // overlong slash
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(utf8ToCp1252Lossy(c.utf8), c.bytes) << c.utf8;
    EXPECT_EQ(cp1252Byte(0x20AC), 0x80);
    EXPECT_EQ(cp1252Byte(0x0080), -1);
    EXPECT_EQ(cp1252Byte(0x0100), -1);
    EXPECT_EQ(cp1252ByteOrDefault(0x4E00), '?');
}
