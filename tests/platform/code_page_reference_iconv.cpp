#include <iconv.h>

#include <cstddef>

#include "tests/platform/code_page_reference.h"

bool referenceCodePoint(unsigned char byte, char32_t& codePoint) {
    iconv_t converter = iconv_open("UTF-32LE", "WINDOWS-1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1, outLeft = 4;
    const bool ok = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    codePoint = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    return ok && outLeft == 0;
}

bool referenceBestFit(char16_t, char&) {
    return false;
}

bool referenceSortKey(const std::string&, std::string&) {
    return false;
}

bool referenceCompare(const std::string&, const std::string&, int&) {
    return false;
}
