// The order of list box entries: the platform's case-insensitive comparison
// of 8-bit text, approximated for Windows-1252 (symbols before digits before
// letters, accents and case secondary, hyphen and apostrophe ignored first).
#pragma once

#include <string>

namespace winlayer {

// <0, 0 or >0 as a sorts before, equal to or after b.
int compareText(const std::string& a, const std::string& b);

// The same order as bytes: the keys of a and b compare as compareText(a, b)
// does (std::string's compare), so a list that compares often keeps each
// entry's key once instead of folding its text at every comparison.
std::string sortKey(const std::string& text);

}  // namespace winlayer
