#include <iconv.h>

#include <cstddef>
#include <string>

#include "tests/platform/code_page_reference.h"

bool referenceCodePoint(int codePage, unsigned char byte, char32_t& codePoint) {
    iconv_t converter = iconv_open("UTF-32LE", ("CP" + std::to_string(codePage)).c_str());
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

bool referenceBestFit(int, char16_t, char&) {
    return false;
}

bool referenceSortKey(const std::string&, std::string&) {
    return false;
}

bool referenceCompare(const std::string&, const std::string&, int&) {
    return false;
}

bool referenceLocaleSortKey(const char*, int, const std::string&, std::string&) {
    return false;
}
