#include "platform/win32.h"
#include "tests/platform/code_page_reference.h"

bool referenceCodePoint(int codePage, unsigned char byte, char32_t& codePoint) {
    const char in[1] = {static_cast<char>(byte)};
    wchar_t out[2] = {};
    if (MultiByteToWideChar(static_cast<UINT>(codePage), 0, in, 1, out, 2) != 1) return false;
    codePoint = out[0];
    return true;
}

bool referenceBestFit(int codePage, char16_t unit, char& byte) {
    const wchar_t in[1] = {static_cast<wchar_t>(unit)};
    return WideCharToMultiByte(static_cast<UINT>(codePage), 0, in, 1, &byte, 1, nullptr, nullptr) == 1;
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

bool referenceLocaleSortKey(const char* locale, int codePage, const std::string& text, std::string& key) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {}, units[1024] = {};
    char buffer[4096];
    MultiByteToWideChar(CP_ACP, 0, locale, -1, name, LOCALE_NAME_MAX_LENGTH);
    const int count = MultiByteToWideChar(static_cast<UINT>(codePage), 0, text.data(),
                                          static_cast<int>(text.size()), units, 1024);
    if (count <= 0 && !text.empty()) return false;
    const int length = LCMapStringEx(name, LCMAP_SORTKEY | NORM_IGNORECASE, units, count,
                                     reinterpret_cast<wchar_t*>(buffer), sizeof buffer, nullptr, nullptr, 0);
    if (length <= 0) return false;
    key.assign(buffer, static_cast<std::size_t>(length - 1));
    return true;
}
