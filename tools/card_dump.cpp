#include "tools/card_dump.h"

#include <cstddef>
#include <cstring>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

const char* const cardDumpKeys[9] = {"slot", "name", "edition", "type",   "cost",
                                     "pt",   "text", "comment", "colours"};

const DumpTextField dumpTextFields[7] = {
    {offsetof(CardRecord, name), NameWidth},       {offsetof(CardRecord, edition), EditionWidth},
    {offsetof(CardRecord, type), TypeWidth},       {offsetof(CardRecord, cost), CostWidth},
    {offsetof(CardRecord, pt), PtWidth},           {offsetof(CardRecord, text), TextWidth},
    {offsetof(CardRecord, comment), CommentWidth},
};

namespace {

// One card as strings in key order: the slot, the seven fields in UTF-8 and
// the colour byte.
struct DumpRow {
    std::string cells[9];
};

DumpRow rowOf(const CardTable& table, int slot) {
    const CardRecord& card = table.slots[slot];
    DumpRow row;
    row.cells[0] = std::to_string(slot);
    for (int i = 0; i < 7; ++i) {
        // A field's bytes up to its terminator, never past its width.
        const char* field = reinterpret_cast<const char*>(&card) + dumpTextFields[i].offset;
        const std::size_t length = strnlen(field, static_cast<std::size_t>(dumpTextFields[i].width));
        row.cells[1 + i] = ansiToUtf8(std::string_view(field, length));
    }
    row.cells[8] = std::to_string(card.colours & 0xFF);
    return row;
}

int liveSlotLimit(const CardTable& table) {
    return table.slotCount < 0 ? 0 : (table.slotCount > MaxCards ? MaxCards : table.slotCount);
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
    for (int slot = 0; slot < liveSlotLimit(table); ++slot) {
        if (!table.slots[slot].active) continue;
        const DumpRow row = rowOf(table, slot);
        nlohmann::ordered_json object;
        object[cardDumpKeys[0]] = slot;
        for (int i = 1; i < 8; ++i) object[cardDumpKeys[i]] = row.cells[i];
        object[cardDumpKeys[8]] = table.slots[slot].colours & 0xFF;
        out += separator;
        out += object.dump();
        separator = ",\n";
    }
    out += out.size() == 1 ? "]\n" : "\n]\n";
    return out;
}

std::string cardsAsCsv(const CardTable& table) {
    std::string out;
    for (int i = 0; i < 9; ++i) {
        out += i ? "," : "";
        out += cardDumpKeys[i];
    }
    out += "\r\n";
    for (int slot = 0; slot < liveSlotLimit(table); ++slot) {
        if (!table.slots[slot].active) continue;
        const DumpRow row = rowOf(table, slot);
        for (int i = 0; i < 9; ++i) {
            out += i ? "," : "";
            out += csvCell(row.cells[i]);
        }
        out += "\r\n";
    }
    return out;
}
