#include "platform/win32.h"
#include "tests/platform/code_page_reference.h"

bool referenceCodePoint(unsigned char byte, char32_t& codePoint) {
    const char in[1] = {static_cast<char>(byte)};
    wchar_t out[2] = {};
    if (MultiByteToWideChar(1252, 0, in, 1, out, 2) != 1) return false;
    codePoint = out[0];
    return true;
}
