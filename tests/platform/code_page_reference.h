// The platform's own tables of its ANSI code pages, as an independent
// reference for the codec and the order: MultiByteToWideChar,
// WideCharToMultiByte and LCMapStringA on Windows; iconv elsewhere, which has
// no best fit and no sort keys of the platform's.
#pragma once

#include <string>

#include "platform/user_locale.h"

// The code point of `byte` in `codePage`. Returns false when the reference
// has no mapping for it (iconv leaves undefined bytes out).
bool referenceCodePoint(int codePage, unsigned char byte, char32_t& codePoint);

// The byte WideCharToMultiByte on `codePage` with default flags gives
// `unit`. Returns false when there is no such reference here.
bool referenceBestFit(int codePage, char16_t unit, char& byte);

// The platform's case-insensitive sort key of `text` (LCMapStringA with
// LCMAP_SORTKEY and NORM_IGNORECASE, without its closing 0), and the sign of
// CompareStringA's answer for `a` against `b`. Return false when there is no
// such reference here.
bool referenceSortKey(const std::string& text, std::string& key);
bool referenceCompare(const std::string& a, const std::string& b, int& order);

// The sort key of `text`, read in `codePage`, in the platform's locale
// `locale` ("sv-SE"). False when there is no such reference here.
bool referenceLocaleSortKey(const char* locale, int codePage, const std::string& text, std::string& key);

// Puts back the default locale (LC_ALL=C) when a test that changed it ends.
struct DefaultLocaleAfter {
    ~DefaultLocaleAfter() { useLocale("C", "C"); }
};
