// The platform's order of text in the ANSI code page: the case-insensitive
// comparison a sorted list box uses (CompareStringA with NORM_IGNORECASE,
// the user's default locale: en-US unless platform/user_locale.h chooses
// another), made from the sort keys the platform gives each single byte. Accents and case come after the letters, expansions count as
// their letters (in en-US Æ as AE, ß as ss, Þ as TH), hyphen, apostrophe and the
// control bytes only break ties. No window system here.
#pragma once

#include <string>
#include <string_view>

// The platform's sort key of `text` (LCMapStringA with LCMAP_SORTKEY and
// NORM_IGNORECASE, without its closing 0): keys compare as bytes exactly as
// the texts compare, so a list that compares often keeps each entry's key.
std::string sortKey(std::string_view text);

// <0, 0 or >0 as a sorts before, equal to or after b.
int compareText(std::string_view a, std::string_view b);
