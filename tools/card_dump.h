// The card table as text for other programs: a JSON array or a CSV table with
// one record per live card, strings in UTF-8.
#pragma once

#include <cstddef>
#include <string>

#include "card/card_table.h"

// Keys of a card record, in output order.
extern const char* const cardDumpKeys[9];  // "slot", "name", ... "colours"

// The seven text fields in key order (keys 1 to 7): where each lives in a
// CardRecord and its width, terminator included.
struct DumpTextField {
    std::size_t offset;
    int width;
};
extern const DumpTextField dumpTextFields[7];

// A JSON array of one object per live slot, in slot order, one object per line.
std::string cardsAsJson(const CardTable& table);

// The same records as RFC 4180 CSV: a header row of the keys, CR LF after
// every record, fields quoted when they hold a comma, quote, CR or LF.
std::string cardsAsCsv(const CardTable& table);
