#include "card/card_fields.h"

#include <cstring>

bool storeFieldText(CardRecord& card, CardField field, std::string_view bytes, std::string& why) {
    const int width = infoOf(field).width;
    if (bytes.find('\0') != std::string_view::npos) {
        why = "holds a NUL character, which a card field cannot";
        return false;
    }
    if (bytes.size() >= static_cast<std::size_t>(width)) {
        why = std::to_string(bytes.size()) + " characters, the field holds at most " + std::to_string(width - 1);
        return false;
    }
    std::memcpy(fieldText(card, field), bytes.data(), bytes.size());
    std::memset(fieldText(card, field) + bytes.size(), 0, static_cast<std::size_t>(width) - bytes.size());
    return true;
}
