// Windows-1252 text to UTF-8 and back. Every byte value 0x01-0xFF has its own
// code point: the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same number, as Windows does, so
// any string of card text survives the round trip.
#pragma once

#include <string>
#include <string_view>

// UTF-8 for the Windows-1252 bytes of `text`.
std::string cp1252ToUtf8(std::string_view text);

// Windows-1252 bytes for the UTF-8 `text`. Returns false, leaving `out`
// unspecified, when `text` is not valid UTF-8 or holds a character that has
// no byte in the code page.
bool utf8ToCp1252(std::string_view text, std::string& out);
