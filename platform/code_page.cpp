// The bytes' code points and the best-fit bytes are the platform's, recorded
// per code page in nls/nls_tables.cpp; the code page is the process's.
#include "platform/code_page.h"

#include <algorithm>

#include "platform/nls/nls_tables.h"
#include "platform/user_locale.h"

namespace {

const CodePageTable& page() {
    return *processLocale().page;
}

}  // namespace

int ansiCodePage() {
    return page().codePage;
}

char32_t ansiCodePoint(unsigned char byte) {
    return page().units[byte];
}

int ansiByte(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<int>(codePoint);
    const char16_t* const units = page().units;
    const char16_t* const found = std::find(units + 0x80, units + 256, codePoint);
    return found == units + 256 ? -1 : static_cast<int>(found - units);
}

bool appendAnsiBestFit(std::string& out, char32_t codePoint) {
    const int byte = ansiByte(codePoint);
    if (byte >= 0) {
        out += static_cast<char>(byte);
        return true;
    }
    if (codePoint > 0xFFFF) {
        out += "??";
        return false;
    }
    const BestFit* const begin = page().bestFit;
    const BestFit* const end = begin + page().bestFitCount;
    const BestFit* const fit = std::lower_bound(
        begin, end, codePoint, [](const BestFit& entry, char32_t unit) { return entry.unit < unit; });
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

std::string ansiToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) appendUtf8(out, ansiCodePoint(static_cast<unsigned char>(c)));
    return out;
}

bool utf8ToAnsi(std::string_view text, std::string& out) {
    out.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        if (!nextUtf8CodePoint(text, pos, cp)) return false;
        const int byte = ansiByte(cp);
        if (byte < 0) return false;
        out += static_cast<char>(byte);
    }
    return true;
}

std::string utf8ToAnsiBestFit(std::string_view text, bool* exact) {
    std::string out;
    out.reserve(text.size());
    bool all = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        if (nextUtf8CodePoint(text, pos, cp)) {
            all = appendAnsiBestFit(out, cp) && all;
        } else {
            out += '?';
            all = false;
            ++pos;
        }
    }
    if (exact) *exact = all;
    return out;
}
