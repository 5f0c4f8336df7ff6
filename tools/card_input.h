// Files named on cardinfo's command line, read into card tables. A name
// ending in .json or .csv (any case) is text: a dump, or in JSON a set file
// of one of the card-data sources; any other name is a card file, read with
// the editor's loader.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "card/card_table.h"
#include "tools/card_import.h"

// Larger than any card file and any dump of one (8192 cards, every field full
// and every character escaped), so a larger input is neither.
constexpr std::size_t MaxInputSize = std::size_t{256} << 20;

struct TableDeleter {
    void operator()(CardTable* table) const;
};
using TablePtr = std::unique_ptr<CardTable, TableDeleter>;

// An empty card table on the heap. In cardinfo, which frees no table before
// it has them all, its pages cost nothing until written: a table costs what
// it holds.
TablePtr emptyTable();

// Copies the slots `from` has handed out into `to` (empty).
void copyTable(const CardTable& from, CardTable& to);

enum class InputResult { Read, Failed, NeedsCode };

// Reads the file that `path` names on the command line (`coreName` as the
// card core takes it) into `table` (empty). `setCode` (Windows-1252) is the
// set code a set file's editions begin with. Failed: `error` holds one line
// that begins with `path`. NeedsCode: a set file came without a set code.
InputResult readInput(const char* path, const std::string& coreName, std::string_view setCode,
                      CardTable& table, ImportReport& report, std::string& error);
