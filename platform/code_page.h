// Windows-1252, the program's one code page for text and file names, and its
// conversions to Unicode. Every byte value 0x01-0xFF has its own code point:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 controls of the same number, as Windows does, so any
// string of card text survives the round trip. No window system here: the
// card tools, the Linux kernel layer and its user layer all use it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code point of one Windows-1252 byte.
char32_t cp1252CodePoint(unsigned char byte);

// The Windows-1252 byte of `codePoint`, or -1 when the code page has none.
int cp1252Byte(char32_t codePoint);

// Appends `codePoint` as the platform converts Unicode to Windows-1252
// (WideCharToMultiByte on code page 1252, default flags): its own byte, else
// the platform's best-fit byte (U+2212 MINUS SIGN as '-', U+014D as 'o'),
// else '?' for each of its UTF-16 units (two beyond U+FFFF). Returns false
// when what it appended is not the character itself.
bool appendCp1252BestFit(std::string& out, char32_t codePoint);

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF) to `out`.
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes the UTF-8 sequence at text[pos] (pos < text.size()) into
// `codePoint` and moves `pos` past it. Returns false, moving nothing, on a malformed, cut, overlong or
// surrogate sequence.
bool nextUtf8CodePoint(std::string_view text, std::size_t& pos, char32_t& codePoint);

// UTF-8 for the Windows-1252 bytes of `text`.
std::string cp1252ToUtf8(std::string_view text);

// Windows-1252 bytes for the UTF-8 `text`. Returns false, leaving `out`
// unspecified, when `text` is not valid UTF-8 or holds a character that has
// no byte in the code page.
bool utf8ToCp1252(std::string_view text, std::string& out);

// Windows-1252 bytes for the UTF-8 `text`, each character as
// appendCp1252BestFit gives it and '?' for each byte that starts no valid
// sequence, as the platform's 8-bit calls give text they cannot represent.
// `exact`, when given, tells whether every character came through as itself.
std::string utf8ToCp1252BestFit(std::string_view text, bool* exact = nullptr);
