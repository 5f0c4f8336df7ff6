// The inverse of `cardinfo dump`: cards read back from its JSON or CSV form
// into a card table, with the same keys and the same text encoding (UTF-8
// in the text, the ANSI code page in the table).
//
// Records fill slots 0, 1, 2, ... in the order they appear. Every key but
// "slot" is required; "slot", when present, must equal the record's position
// (so a dump imports unchanged, and a record cannot silently land elsewhere).
// Unknown or repeated keys, wrong types, colours outside 0-255, text longer
// than its field, text with a NUL or a character the ANSI code page lacks,
// and more than 8192 records are errors. A UTF-8 byte order mark at the start is
// skipped.
//
// JSON text may instead be a set file of one of the card-data sources
// (carddata/set_file.h), whose cards are mapped to records; its editions need
// the user's set code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"
#include "carddata/set_file.h"

enum class ImportFormat { Json, Csv };

// The format named by the extension of `path`: ".json" or ".csv" in any case.
// False for any other name.
bool importFormatOf(std::string_view path, ImportFormat& format);

// What an import learnt besides the cards: whether the text was a set file,
// and what its mapping reports (carddata/set_file.h).
struct ImportReport {
    SetSource source = SetSource::None;
    SetFileReport set;
};

// Fills `table` from `text`, replacing what it held. `setCode` (ANSI code page)
// is the set code a set file's editions begin with; a set file without one is
// refused. Returns false with a one-line reason in `error` that names the
// record (numbered from 1, with its line for CSV) and the key; the table then
// holds the records read so far.
bool importCards(std::string_view text, ImportFormat format, CardTable& table, std::string& error,
                 std::string_view setCode = {}, ImportReport* report = nullptr);

// The two halves of a JSON import, for files read together: the text
// parsed (dropping the keys a set file's cards do not use), and a parsed
// dump or single set file into `table` (emptied first). A text of any other
// shape is refused with the shapes that are read.
bool parseImportJson(std::string_view text, nlohmann::json& root, std::string& error);
bool importJsonRoot(const nlohmann::json& root, CardTable& table, std::string& error, std::string_view setCode,
                    ImportReport& report);
