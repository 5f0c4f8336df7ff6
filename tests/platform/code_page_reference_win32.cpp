#include "platform/win32.h"
#include "tests/platform/code_page_reference.h"

bool referenceCodePoint(unsigned char byte, char32_t& codePoint) {
    const char in[1] = {static_cast<char>(byte)};
    wchar_t out[2] = {};
    if (MultiByteToWideChar(1252, 0, in, 1, out, 2) != 1) return false;
    codePoint = out[0];
    return true;
}

bool referenceBestFit(char16_t unit, char& byte) {
    const wchar_t in[1] = {static_cast<wchar_t>(unit)};
    return WideCharToMultiByte(1252, 0, in, 1, &byte, 1, nullptr, nullptr) == 1;
}

bool referenceSortKey(const std::string& text, std::string& key) {
    char buffer[4096];
    const int length = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.c_str(), -1,
                                    buffer, sizeof buffer);
    if (length <= 0) return false;
    key.assign(buffer, static_cast<std::size_t>(length - 1));
    return true;
}

bool referenceCompare(const std::string& a, const std::string& b, int& order) {
    const int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1);
    if (result == 0) return false;
    order = result - CSTR_EQUAL;
    return true;
}
