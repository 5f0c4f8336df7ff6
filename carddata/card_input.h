// Files named on cardinfo's command line, read into card tables. A name
// ending in .json or .csv (any case) is text: a dump, or in JSON a set file
// of one of the card-data sources; any other name is a card file, read with
// the editor's loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"
#include "carddata/card_import.h"

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
// card core takes it) into `table` (empty). `setCode` (ANSI code page) is the
// set code a set file's editions begin with. Failed: `error` holds one line
// that begins with `path`. NeedsCode: a set file came without a set code.
InputResult readInput(const char* path, const std::string& coreName, std::string_view setCode,
                      CardTable& table, ImportReport& report, std::string& error);

// Bytes read of a file and its size; called as a large file is read.
using BulkProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The files named on a command line, read as readInput reads one: each card
// file and dump into a table of its own, in order, and the set files among
// them read as one set (the pages of one search), its table where the first
// of them stands. `setPath` names the set files in messages. A `set` code
// picks that set out of each JSON file that is a bulk file or a set file
// (carddata/bulk_file.h), which is then read as that set's own file.
struct Inputs {
    std::vector<TablePtr> tables;
    std::vector<std::string> names;  // the file each table came from, as messages name it
    ImportReport report;
    std::string setPath;
    std::size_t setTable = 0;  // the table of the set files, when there are any
};
InputResult readInputs(const std::vector<const char*>& paths, const std::vector<std::string>& coreNames,
                       std::string_view setCode, std::string_view set, Inputs& inputs, std::string& error,
                       const BulkProgress& progress = {});
