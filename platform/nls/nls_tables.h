// What the platform answers about its single-byte ANSI code pages and their
// order, recorded under Wine by make_nls_tables.c (run make_nls_tables.sh to
// remake nls_tables.cpp).
#pragma once

#include <cstddef>

// A UTF-16 unit outside a code page that WideCharToMultiByte turns into a
// near byte instead of '?': U+2212 MINUS SIGN into '-'.
struct BestFit {
    char16_t unit;
    unsigned char byte;
};

// One single-byte ANSI code page (874, 1250-1258).
struct CodePageTable {
    int codePage;
    const BestFit* bestFit;  // sorted by unit
    std::size_t bestFitCount;
    // The platform's case-insensitive sort key of each single byte in the
    // default order (en-US's; LCMapString with LCMAP_SORTKEY and
    // NORM_IGNORECASE, without its closing 0); byte 0 has none.
    const char* const* sortKeys;
    char16_t units[256];  // each byte's UTF-16 unit (MultiByteToWideChar)
};

extern const CodePageTable CodePageTables[];
extern const int CodePageTableCount;

// A locale whose order differs from its code page's default order, with the
// sort key of each byte of its code page.
struct SortTable {
    const char* locale;  // the platform's name: "sv-SE"
    int codePage;
    const char* const* sortKeys;
};

extern const SortTable SortTables[];
extern const int SortTableCount;

// The ANSI code page of a locale the platform names ("ru", "sr-Cyrl-BA"),
// where a lookup that drops the name's last parts would not find it: every
// other name has 1252.
struct LocaleCodePage {
    const char* locale;
    int codePage;
};

extern const LocaleCodePage LocaleCodePages[];
extern const int LocaleCodePageCount;
