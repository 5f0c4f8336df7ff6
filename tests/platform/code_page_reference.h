// The platform's own Windows-1252 tables, as an independent reference for the
// codec and the order: MultiByteToWideChar, WideCharToMultiByte and
// LCMapStringA on Windows; iconv elsewhere, which has no best fit and no
// sort keys of the platform's.
#pragma once

#include <string>

// The code point of `byte` in code page 1252. Returns false when the
// reference has no mapping for it (iconv leaves the five undefined bytes out).
bool referenceCodePoint(unsigned char byte, char32_t& codePoint);

// The byte WideCharToMultiByte on code page 1252 with default flags gives
// `unit`. Returns false when there is no such reference here.
bool referenceBestFit(char16_t unit, char& byte);

// The platform's case-insensitive sort key of `text` (LCMapStringA with
// LCMAP_SORTKEY and NORM_IGNORECASE, without its closing 0), and the sign of
// CompareStringA's answer for `a` against `b`. Return false when there is no
// such reference here.
bool referenceSortKey(const std::string& text, std::string& key);
bool referenceCompare(const std::string& a, const std::string& b, int& order);
