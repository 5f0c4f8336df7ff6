// A strict reader of RFC 4180 CSV text: records end in CR LF (the last one
// may end with the text instead), fields are separated by commas, and a field
// that holds a comma, quote, CR or LF is quoted, with each quote inside it
// doubled. Anything else (a bare CR or LF between records, a quote inside an
// unquoted field, text after a closing quote, a quoted field never closed) is
// an error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where the reader is in the text; `line` counts LF bytes passed, from 1.
struct CsvCursor {
    std::string_view text;
    std::size_t pos = 0;
    int line = 1;
};

enum class CsvResult { Record, End, Error };

// Reads the next record into `fields`. At the end of the text gives End; on a
// syntax error gives Error and a short reason naming its line in `error`.
CsvResult readCsvRecord(CsvCursor& cursor, std::vector<std::string>& fields, std::string& error);
