// Windows-1252 differs from Latin-1 only in 0x80-0x9F; this table holds the
// code points of those 32 bytes. Characters outside the code page take the
// platform's best-fit bytes, recorded in nls/nls_tables.cpp.
#include "platform/code_page.h"

#include <algorithm>

#include "platform/nls/nls_tables.h"

namespace {

const char16_t highControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

char32_t cp1252CodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return highControls[byte - 0x80];
    return byte;
}

int cp1252Byte(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint < 0x100)) return static_cast<int>(codePoint);
    for (int byte = 0; byte < 32; ++byte)
        if (highControls[byte] == codePoint) return 0x80 + byte;
    return -1;
}

bool appendCp1252BestFit(std::string& out, char32_t codePoint) {
    const int byte = cp1252Byte(codePoint);
    if (byte >= 0) {
        out += static_cast<char>(byte);
        return true;
    }
    if (codePoint > 0xFFFF) {
        out += "??";
        return false;
    }
    const BestFit* const end = BestFit1252 + BestFit1252Count;
    const BestFit* const fit = std::lower_bound(
        BestFit1252, end, codePoint, [](const BestFit& entry, char32_t unit) { return entry.unit < unit; });
    out += fit != end && fit->unit == codePoint ? static_cast<char>(fit->byte) : '?';
    return false;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool nextUtf8CodePoint(std::string_view text, std::size_t& pos, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    int extra = 0;
    if (lead < 0x80) {
        cp = lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        cp = lead & 0x1F;
        extra = 1;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        cp = lead & 0x0F;
        extra = 2;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        cp = lead & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (text.size() - pos - 1 < static_cast<std::size_t>(extra)) return false;
    for (int i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (next & 0x3F);
    }
    static const char32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
    pos += 1 + extra;
    return true;
}

std::string cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) appendUtf8(out, cp1252CodePoint(static_cast<unsigned char>(c)));
    return out;
}

bool utf8ToCp1252(std::string_view text, std::string& out) {
    out.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        if (!nextUtf8CodePoint(text, pos, cp)) return false;
        const int byte = cp1252Byte(cp);
        if (byte < 0) return false;
        out += static_cast<char>(byte);
    }
    return true;
}

std::string utf8ToCp1252BestFit(std::string_view text, bool* exact) {
    std::string out;
    out.reserve(text.size());
    bool all = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        if (nextUtf8CodePoint(text, pos, cp)) {
            all = appendCp1252BestFit(out, cp) && all;
        } else {
            out += '?';
            all = false;
            ++pos;
        }
    }
    if (exact) *exact = all;
    return out;
}
