// The card table as text for other programs: a JSON array or a CSV table with
// one record per live card, strings in UTF-8.
#pragma once

#include <string>

#include "card/card_table.h"

// A dump's columns, in output order: the slot, the fields in their order
// (column 1 + field), the colours.
constexpr int DumpColumns = FieldCount + 2;
constexpr int SlotColumn = 0;
constexpr int ColoursColumn = DumpColumns - 1;

// The key of a column.
inline const char* dumpKey(int column) {
    if (column == SlotColumn) return SlotDumpKey;
    if (column == ColoursColumn) return ColoursDumpKey;
    return Fields[column - 1].dumpKey;
}

// A JSON array of one object per live slot, in slot order, one object per line.
std::string cardsAsJson(const CardTable& table);

// The same records as RFC 4180 CSV: a header row of the keys, CR LF after
// every record, fields quoted when they hold a comma, quote, CR or LF.
std::string cardsAsCsv(const CardTable& table);
