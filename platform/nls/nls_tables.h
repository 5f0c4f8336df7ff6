// What the platform answers about Windows-1252, recorded under Wine by
// make_nls_tables.c (run make_nls_tables.sh to remake nls_tables.cpp).
#pragma once

// A UTF-16 unit outside the code page that WideCharToMultiByte on code page
// 1252 turns into a near byte instead of '?': U+2212 MINUS SIGN into '-'.
struct BestFit {
    char16_t unit;
    unsigned char byte;
};

// Sorted by unit.
extern const BestFit BestFit1252[];
extern const int BestFit1252Count;

// The platform's case-insensitive sort key of each single byte (LCMapStringA
// with LCMAP_SORTKEY and NORM_IGNORECASE, without its closing 0); byte 0 has
// none.
extern const char* const SortKeys1252[256];
