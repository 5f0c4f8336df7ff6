#include "carddata/card_dump.h"

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

namespace {

// One card as strings in key order: the slot, the seven fields in UTF-8 and
// the colour byte.
struct DumpRow {
    std::string cells[DumpColumns];
};

DumpRow rowOf(const CardTable& table, int slot) {
    const CardRecord& card = table.slots[slot];
    DumpRow row;
    row.cells[SlotColumn] = std::to_string(slot);
    for (const FieldInfo& field : Fields)
        row.cells[1 + static_cast<int>(field.id)] = ansiToUtf8(fieldValue(card, field.id));
    row.cells[ColoursColumn] = std::to_string(card.colours & 0xFF);
    return row;
}

std::string csvCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

std::string cardsAsJson(const CardTable& table) {
    std::string out = "[";
    const char* separator = "\n";
    for (int slot = 0; slot < liveSlots(table); ++slot) {
        if (!table.slots[slot].active) continue;
        const DumpRow row = rowOf(table, slot);
        nlohmann::ordered_json object;
        object[SlotDumpKey] = slot;
        for (int column = 1; column < ColoursColumn; ++column) object[dumpKey(column)] = row.cells[column];
        object[ColoursDumpKey] = table.slots[slot].colours & 0xFF;
        out += separator;
        out += object.dump();
        separator = ",\n";
    }
    out += out.size() == 1 ? "]\n" : "\n]\n";
    return out;
}

std::string cardsAsCsv(const CardTable& table) {
    std::string out;
    for (int column = 0; column < DumpColumns; ++column) {
        out += column ? "," : "";
        out += dumpKey(column);
    }
    out += "\r\n";
    for (int slot = 0; slot < liveSlots(table); ++slot) {
        if (!table.slots[slot].active) continue;
        const DumpRow row = rowOf(table, slot);
        for (int column = 0; column < DumpColumns; ++column) {
            out += column ? "," : "";
            out += csvCell(row.cells[column]);
        }
        out += "\r\n";
    }
    return out;
}
