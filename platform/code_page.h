// The ANSI code page, the program's code page for text and file names (one
// of the single-byte pages, Windows-1252 unless the user's locale chooses
// another: platform/user_locale.h), and its conversions to Unicode. Every
// byte value 0x01-0xFF has its own code point, as Windows gives it: in
// Windows-1252 the five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same number, so any string
// of card text survives the round trip. No window system here: the card
// tools, the Linux kernel layer and its user layer all use it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The ANSI code page's number (1252 for Windows-1252).
int ansiCodePage();

// The code point of one byte of the ANSI code page.
char32_t ansiCodePoint(unsigned char byte);

// The ANSI code page's byte of `codePoint`, or -1 when it has none.
int ansiByte(char32_t codePoint);

// Appends `codePoint` as the platform converts Unicode to the ANSI code page
// (WideCharToMultiByte, default flags): its own byte, else
// the platform's best-fit byte (U+2212 MINUS SIGN as '-', U+014D as 'o'),
// else '?' for each of its UTF-16 units (two beyond U+FFFF). Returns false
// when what it appended is not the character itself.
bool appendAnsiBestFit(std::string& out, char32_t codePoint);

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF) to `out`.
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes the UTF-8 sequence at text[pos] (pos < text.size()) into
// `codePoint` and moves `pos` past it. Returns false, moving nothing, on a malformed, cut, overlong or
// surrogate sequence.
bool nextUtf8CodePoint(std::string_view text, std::size_t& pos, char32_t& codePoint);

// UTF-8 for the ANSI code page's bytes of `text`.
std::string ansiToUtf8(std::string_view text);

// The ANSI code page's bytes for the UTF-8 `text`. Returns false, leaving `out`
// unspecified, when `text` is not valid UTF-8 or holds a character that has
// no byte in the code page.
bool utf8ToAnsi(std::string_view text, std::string& out);

// The ANSI code page's bytes for the UTF-8 `text`, each character as
// appendAnsiBestFit gives it and '?' for each byte that starts no valid
// sequence, as the platform's 8-bit calls give text they cannot represent.
// `exact`, when given, tells whether every character came through as itself.
std::string utf8ToAnsiBestFit(std::string_view text, bool* exact = nullptr);
