// Small text comparisons on ASCII that the card-data files share: set codes,
// file names and extensions compared without regard to case (as Windows
// compares names), and values read without the spaces around them.
#pragma once

#include <algorithm>
#include <string_view>

inline bool sameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lowered = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lowered(x) == lowered(y); });
}

// `text` without the characters of `drop` at either end.
inline std::string_view trimmed(std::string_view text, std::string_view drop = " \t") {
    const std::size_t first = text.find_first_not_of(drop);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(drop) - first + 1);
}
