#include "carddata/card_import.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "card/card_fields.h"
#include "carddata/ascii_text.h"
#include "carddata/card_dump.h"
#include "carddata/csv_reader.h"
#include "platform/code_page.h"

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The dump column of `key`, or -1.
int keyIndex(std::string_view key) {
    for (int column = 0; column < DumpColumns; ++column) {
        if (key == dumpKey(column)) return column;
    }
    return -1;
}

bool isNumberKey(int key) {
    return key == SlotColumn || key == ColoursColumn;
}

// Empties the slots `table` used, so that an import fills it from slot 0.
void clearUsedSlots(CardTable& table) {
    std::memset(table.slots, 0, sizeof table.slots[0] * static_cast<std::size_t>(liveSlots(table)));
    table.slotCount = 0;
}

// "record 3", or "record 3 (line 7)" where the line is known.
std::string recordName(int number, int line) {
    std::string name = "record " + std::to_string(number);
    if (line > 0) name += " (line " + std::to_string(line) + ")";
    return name;
}

// A name from the input as messages show it: quoted, bytes outside printable
// ASCII as \xNN, cut after 40 bytes, so that a message stays one short line.
std::string shownName(std::string_view name) {
    constexpr std::size_t shownLength = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < name.size() && i < shownLength; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            out += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out + (name.size() > shownLength ? "\"..." : "\"");
}

bool fieldError(std::string& error, const std::string& record, int key, const std::string& what) {
    error = record + ", " + dumpKey(key) + ": " + what;
    return false;
}

// Why `utf8` has no form in the ANSI code page: the first byte that starts no valid
// sequence, or the first character the code page lacks.
std::string whyNotAnsi(std::string_view utf8) {
    std::size_t pos = 0;
    for (int character = 1; pos < utf8.size(); ++character) {
        const std::size_t at = pos;
        char32_t codePoint = 0;
        if (!nextUtf8CodePoint(utf8, pos, codePoint))
            return "byte " + std::to_string(at + 1) + " is not part of valid UTF-8";
        if (ansiByte(codePoint) < 0) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04lX", static_cast<unsigned long>(codePoint));
            return "character " + std::to_string(character) + " (" + code + ") is not in Windows-" +
                   std::to_string(ansiCodePage());
        }
    }
    return "the text has no Windows-" + std::to_string(ansiCodePage()) + " form";
}

// Stores UTF-8 text in the field of dump column `key` (1 + its CardField).
bool putText(CardRecord& card, int key, std::string_view utf8, const std::string& record,
             std::string& error) {
    std::string bytes, why;
    if (!utf8ToAnsi(utf8, bytes)) return fieldError(error, record, key, whyNotAnsi(utf8));
    if (!storeFieldText(card, static_cast<CardField>(key - 1), bytes, why))
        return fieldError(error, record, key, why);
    return true;
}

// Checks the slot number of the record at `position` (from 0) or stores the
// colours. `shown` is the value as written in the input.
bool putNumber(CardRecord& card, int key, long long value, const std::string& shown, int position,
               const std::string& record, std::string& error) {
    if (key == SlotColumn) {
        if (value == position) return true;
        return fieldError(error, record, key,
                          shown + ", but records fill the slots in order and this one goes to slot " +
                              std::to_string(position));
    }
    if (value < 0 || value > 255) return fieldError(error, record, key, shown + " is not from 0 to 255");
    card.colours = static_cast<std::int32_t>(value);
    return true;
}

// Thrown from the JSON parser's callback to stop at the first repeated key
// or at one record too many.
struct JsonStop {
    std::string reason;
};

// What is left of a parser message without its exception tag and without
// the echo of the bytes last read (which may be anything).
std::string parserMessage(const char* what) {
    std::string message = what;
    if (message.rfind("[json.exception.", 0) == 0 && message.find("] ") != std::string::npos)
        message.erase(0, message.find("] ") + 2);
    const std::size_t echo = message.find("; last read:");
    if (echo != std::string::npos) message.erase(echo);
    // A value the message quotes ('...') is cut, however long it was.
    constexpr std::size_t quotedLength = 40;
    const std::size_t open = message.find('\'');
    const std::size_t close = open == std::string::npos ? open : message.find('\'', open + 1);
    if (close != std::string::npos && close - open > quotedLength + 1)
        message.replace(open + 1 + quotedLength, close - open - 1 - quotedLength, "...");
    return message;
}

// "a string", "an object", ... for messages about a value of the wrong type.
std::string kindOf(const nlohmann::json& value) {
    const std::string name = value.type_name();
    return (name[0] == 'a' || name[0] == 'o' ? "an " : "a ") + name;
}

bool parseJson(std::string_view text, nlohmann::json& root, std::string& error) {
    using Event = nlohmann::json::parse_event_t;
    bool topArray = false;   // the text is an array, so depth 1 holds records
    bool topObject = false;  // the text is an object, the shape of a set file
    int records = 0;         // records begun so far
    bool inRecord = false;   // a record object or array is still open
    std::vector<std::string> keys;
    auto watch = [&](int depth, Event event, nlohmann::json& parsed) {
        if (depth == 0) {
            topArray = event == Event::array_start;
            topObject = event == Event::object_start;
        }
        if (topObject)
            return depth < 3 || event != Event::key || setFileReads(parsed.get_ref<const std::string&>());
        if (!topArray) return true;
        if (depth == 1 &&
            (event == Event::object_start || event == Event::array_start || event == Event::value)) {
            if (++records > MaxCards) throw JsonStop{recordName(records, 0) + ": " + tableFullReason()};
            keys.clear();
            inRecord = event != Event::value;
        }
        if (depth == 1 && (event == Event::object_end || event == Event::array_end)) inRecord = false;
        if (depth == 2 && event == Event::key) {
            const std::string& key = parsed.get_ref<const std::string&>();
            if (std::find(keys.begin(), keys.end(), key) != keys.end())
                throw JsonStop{recordName(records, 0) + ": the key " + shownName(key) + " appears twice"};
            keys.push_back(key);
        }
        return true;
    };
    try {
        root = nlohmann::json::parse(text.begin(), text.end(), watch);
        return true;
    } catch (const JsonStop& stop) {
        error = stop.reason;
    } catch (const nlohmann::json::exception& e) {
        error = (inRecord ? recordName(records, 0) + ": " : std::string()) +
                "not valid JSON: " + parserMessage(e.what());
    }
    return false;
}

}  // namespace

bool parseImportJson(std::string_view text, nlohmann::json& root, std::string& error) {
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) text.remove_prefix(ByteOrderMark.size());
    return parseJson(text, root, error);
}

bool importJsonRoot(const nlohmann::json& root, CardTable& table, std::string& error,
                    std::string_view setCode, ImportReport& report) {
    clearUsedSlots(table);
    report.source = setSourceOf(root);
    if (report.source != SetSource::None) {
        if (!setCode.empty())
            return setFileCards({{&root, report.source}}, setCode, table, report.set, error);
        error = "a set file: its editions need the set code (--code)";
        return false;
    }
    if (!root.is_array()) {
        error = unreadShape(root);
        return false;
    }
    for (std::size_t i = 0; i < root.size(); ++i) {
        const int position = static_cast<int>(i);
        const std::string record = recordName(position + 1, 0);
        const nlohmann::json& object = root[i];
        if (!object.is_object()) {
            error = record + ": " + kindOf(object) + " where a record object belongs";
            return false;
        }
        for (const auto& item : object.items()) {
            if (keyIndex(item.key()) < 0) {
                error = record + ": unknown key " + shownName(item.key());
                return false;
            }
        }
        CardRecord* const slot = nextFreeSlot(table, record, error);
        if (!slot) return false;
        CardRecord& card = *slot;
        for (int key = 0; key < DumpColumns; ++key) {
            const auto value = object.find(dumpKey(key));
            if (value == object.end()) {
                if (key == SlotColumn) continue;
                return fieldError(error, record, key, "missing");
            }
            if (isNumberKey(key)) {
                if (!value->is_number_integer())
                    return fieldError(error, record, key, kindOf(*value) + " where a whole number belongs");
                // Anything past 2^31 is out of range whatever its exact value.
                const long long number = value->is_number_unsigned()
                                             ? static_cast<long long>(std::min<std::uint64_t>(
                                                   value->get<std::uint64_t>(), 1ull << 31))
                                             : value->get<long long>();
                if (!putNumber(card, key, number, value->dump(), position, record, error)) return false;
            } else {
                if (!value->is_string())
                    return fieldError(error, record, key, kindOf(*value) + " where a string belongs");
                if (!putText(card, key, value->get_ref<const std::string&>(), record, error)) return false;
            }
        }
        card.active = 1;
    }
    return true;
}

namespace {

// Digits only, no sign or spaces. Values beyond 2^31 are kept at 2^31.
bool parseWholeNumber(const std::string& text, long long& value) {
    if (text.empty()) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = std::min(value * 10 + (c - '0'), 1ll << 31);
    }
    return true;
}

bool importCsv(std::string_view text, CardTable& table, std::string& error) {
    CsvCursor cursor{text};
    std::vector<std::string> fields;
    const CsvResult header = readCsvRecord(cursor, fields, error);
    if (header == CsvResult::Error) return false;
    if (header == CsvResult::End) {
        error = "no header row";
        return false;
    }
    int column[DumpColumns];  // the CSV column of each dump column, or -1
    std::fill(std::begin(column), std::end(column), -1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int key = keyIndex(fields[i]);
        if (key < 0) {
            error = "header: unknown column " + shownName(fields[i]);
            return false;
        }
        if (column[key] >= 0) {
            error = "header: the column " + shownName(fields[i]) + " appears twice";
            return false;
        }
        column[key] = static_cast<int>(i);
    }
    for (int key = 0; key < DumpColumns; ++key) {
        if (key != SlotColumn && column[key] < 0) {
            error = std::string("header: no column \"") + dumpKey(key) + "\"";
            return false;
        }
    }

    const std::size_t columns = fields.size();
    int count = 0;
    for (;;) {
        const int line = cursor.line;
        const CsvResult result = readCsvRecord(cursor, fields, error);
        if (result == CsvResult::End) break;
        if (result == CsvResult::Error) {
            error = recordName(count + 1, 0) + ", " + error;
            return false;
        }
        const std::string record = recordName(count + 1, line);
        CardRecord* const slot = nextFreeSlot(table, record, error);
        if (!slot) return false;
        if (fields.size() != columns) {
            error = record + ": " + std::to_string(fields.size()) + " fields, the header has " +
                    std::to_string(columns);
            return false;
        }
        CardRecord& card = *slot;
        for (int key = 0; key < DumpColumns; ++key) {
            if (column[key] < 0) continue;
            const std::string& cell = fields[static_cast<std::size_t>(column[key])];
            if (!isNumberKey(key)) {
                if (!putText(card, key, cell, record, error)) return false;
                continue;
            }
            long long number = 0;
            if (!parseWholeNumber(cell, number))
                return fieldError(error, record, key, "not a whole number written in digits");
            if (!putNumber(card, key, number, cell, count, record, error)) return false;
        }
        card.active = 1;
        ++count;
    }
    return true;
}

}  // namespace

bool importFormatOf(std::string_view path, ImportFormat& format) {
    struct Extension {
        std::string_view text;
        ImportFormat format;
    };
    static const Extension extensions[] = {{".json", ImportFormat::Json}, {".csv", ImportFormat::Csv}};
    for (const Extension& extension : extensions) {
        if (path.size() < extension.text.size()) continue;
        if (sameIgnoringCase(path.substr(path.size() - extension.text.size()), extension.text)) {
            format = extension.format;
            return true;
        }
    }
    return false;
}

bool importCards(std::string_view text, ImportFormat format, CardTable& table, std::string& error,
                 std::string_view setCode, ImportReport* report) {
    ImportReport ignored;
    if (format == ImportFormat::Json) {
        nlohmann::json root;
        return parseImportJson(text, root, error) &&
               importJsonRoot(root, table, error, setCode, report ? *report : ignored);
    }
    clearUsedSlots(table);
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) text.remove_prefix(ByteOrderMark.size());
    return importCsv(text, table, error);
}
