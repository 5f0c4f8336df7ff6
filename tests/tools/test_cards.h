// Building card tables for the tool's tests.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "card/card_table.h"

struct TestCard {
    std::string fields[7];  // name, edition, type, cost, pt, text, comment
    int colours;
};

inline std::unique_ptr<CardTable> tableOf(std::initializer_list<TestCard> cards) {
    auto table = std::make_unique<CardTable>();
    for (const TestCard& card : cards) {
        CardRecord& slot = table->slots[table->slotCount++];
        char* fields[7] = {slot.name, slot.edition, slot.type, slot.cost, slot.pt, slot.text, slot.comment};
        const std::size_t widths[7] = {NameWidth, EditionWidth, TypeWidth,   CostWidth,
                                       PtWidth,   TextWidth,    CommentWidth};
        for (int i = 0; i < 7; ++i) {
            if (card.fields[i].size() >= widths[i]) throw std::length_error("test card field too long");
            std::memcpy(fields[i], card.fields[i].data(), card.fields[i].size());
        }
        slot.colours = card.colours;
        slot.active = 1;
    }
    return table;
}

// The bytes 0x01-0xFF spread over fields that hold them: (first 127, rest).
inline std::string everyByte() {
    std::string bytes;
    for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}
