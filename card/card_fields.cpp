#include "card/card_fields.h"

#include <cstring>

bool storeFieldText(CardRecord& card, CardField field, std::string_view bytes, std::string& why) {
    const int width = infoOf(field).width;
    if (bytes.find('\0') != std::string_view::npos) {
        why = "holds a NUL character, which a card field cannot";
        return false;
    }
    if (bytes.size() >= static_cast<std::size_t>(width)) {
        why = tooLongForField(field, bytes.size());
        return false;
    }
    std::memcpy(fieldText(card, field), bytes.data(), bytes.size());
    std::memset(fieldText(card, field) + bytes.size(), 0, static_cast<std::size_t>(width) - bytes.size());
    return true;
}

std::string tooLongForField(CardField field, std::size_t size) {
    return std::to_string(size) + " characters, the field holds at most " +
           std::to_string(infoOf(field).width - 1);
}

void copyFieldOf(CardRecord& to, const CardRecord& from, CardField field) {
    std::string unused;  // a field's value always fits its own field
    storeFieldText(to, field, fieldValue(from, field), unused);
}

std::string tableFullReason() {
    return "more than " + std::to_string(MaxCards) + " cards, the card table has " +
           std::to_string(MaxCards) + " slots";
}

CardRecord* nextFreeSlot(CardTable& table, const std::string& who, std::string& error) {
    if (liveSlots(table) >= MaxCards) {
        error = who + ": " + tableFullReason();
        return nullptr;
    }
    table.slotCount = liveSlots(table);
    return &table.slots[table.slotCount++];
}
