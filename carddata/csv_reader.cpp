#include "carddata/csv_reader.h"

namespace {

bool isRecordEnd(std::string_view text, std::size_t pos) {
    return text.compare(pos, 2, "\r\n") == 0;
}

CsvResult syntaxError(std::string& error, int line, const char* what) {
    error = "line " + std::to_string(line) + ": " + what;
    return CsvResult::Error;
}

// Reads a quoted field whose opening quote is at the cursor, up to and
// including its closing quote.
CsvResult readQuoted(CsvCursor& cursor, std::string& field, std::string& error) {
    const int startLine = cursor.line;
    const std::string_view text = cursor.text;
    for (std::size_t i = cursor.pos + 1; i < text.size(); ++i) {
        if (text[i] == '\n') cursor.line++;
        if (text[i] != '"') {
            field += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
        } else {
            cursor.pos = i + 1;
            return CsvResult::Record;
        }
    }
    return syntaxError(error, startLine, "a quoted field is never closed");
}

CsvResult readUnquoted(CsvCursor& cursor, std::string& field, std::string& error) {
    const std::string_view text = cursor.text;
    std::size_t i = cursor.pos;
    for (; i < text.size() && text[i] != ',' && !isRecordEnd(text, i); ++i) {
        if (text[i] == '"')
            return syntaxError(error, cursor.line, "a quote inside a field that is not quoted");
        if (text[i] == '\r' || text[i] == '\n')
            return syntaxError(error, cursor.line, "a line break that is not CR LF outside quotes");
    }
    field.assign(text.substr(cursor.pos, i - cursor.pos));
    cursor.pos = i;
    return CsvResult::Record;
}

}  // namespace

CsvResult readCsvRecord(CsvCursor& cursor, std::vector<std::string>& fields, std::string& error) {
    fields.clear();
    if (cursor.pos >= cursor.text.size()) return CsvResult::End;
    for (;;) {
        fields.emplace_back();
        const bool quoted = cursor.pos < cursor.text.size() && cursor.text[cursor.pos] == '"';
        const CsvResult field =
            quoted ? readQuoted(cursor, fields.back(), error) : readUnquoted(cursor, fields.back(), error);
        if (field == CsvResult::Error) return field;
        if (cursor.pos >= cursor.text.size()) return CsvResult::Record;
        if (isRecordEnd(cursor.text, cursor.pos)) {
            cursor.pos += 2;
            cursor.line++;
            return CsvResult::Record;
        }
        if (cursor.text[cursor.pos] != ',')
            return syntaxError(error, cursor.line, "text after the closing quote of a field");
        cursor.pos++;
    }
}
