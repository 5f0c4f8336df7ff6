// Write -> load -> write gives the same bytes for generated databases, and
// the loaded table holds what was written.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "card/card_codec.h"
#include "tests/support/test_cards.h"

namespace {

// Random text for a field: any byte but zero, with carets and CR LF common,
// and now and then the full width.
void fillRandomField(char* field, int width, std::mt19937& random) {
    std::uniform_int_distribution<int> pick(0, 9);
    std::uniform_int_distribution<int> anyByte(1, 255);
    int length = pick(random) == 0 ? width - 1 : std::uniform_int_distribution<int>(0, width - 1)(random);
    for (int i = 0; i < length; ++i) {
        int kind = pick(random);
        field[i] = static_cast<char>(kind < 2 ? '^' : kind == 2 ? '\r' : kind == 3 ? '\n' : anyByte(random));
    }
    field[length] = '\0';
}

void fillRandomTable(CardTable& table, std::mt19937& random, int cards) {
    for (int s = 0; s < cards; ++s) {
        CardRecord& card = table.slots[s];
        for (const FieldInfo& field : Fields) fillRandomField(fieldText(card, field.id), field.width, random);
        card.colours = std::uniform_int_distribution<int>(0, 255)(random);
        card.active = std::uniform_int_distribution<int>(0, 5)(random) != 0;
        card.blockOffset = static_cast<std::int32_t>(random());
    }
    table.slotCount = cards;
}

TEST(RoundTrip, WriteLoadWriteIsIdentical) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        auto table = newTable();
        fillRandomTable(*table, random, std::uniform_int_distribution<int>(0, 400)(random));
        Bytes first, second;
        ASSERT_EQ(encodeCards(*table, first, nullptr), 1);

        auto loaded = newTable();
        FileNotes notes;
        ASSERT_EQ(loadImage(first, *loaded, nullptr, &notes), 1);
        EXPECT_EQ(notes.movedBlockOffsets + notes.nonzeroFourthBytes + notes.nonzeroReservedBytes +
                      notes.caretPairs + notes.truncatedAtZero,
                  0);
        EXPECT_EQ(notes.trailingBytes + notes.unusedBlockBytes, 0u);
        ASSERT_EQ(encodeCards(*loaded, second, nullptr), 1);
        EXPECT_EQ(first, second);

        // The loaded cards are the active cards, converted, in slot order.
        convertLineBreaks(*table);
        int next = 0;
        for (int s = 0; s < table->slotCount; ++s) {
            const CardRecord& card = table->slots[s];
            if (!card.active) continue;
            const CardRecord& got = loaded->slots[next++];
            for (const FieldInfo& field : Fields) {
                ASSERT_STREQ(fieldText(got, field.id), fieldText(card, field.id))
                    << field.label << " slot " << s;
            }
            ASSERT_EQ(got.colours, card.colours);
            ASSERT_EQ(got.active, 1);
        }
        EXPECT_EQ(loaded->slotCount, next);
    }
}

TEST(RoundTrip, FullTableOfSmallCards) {
    auto table = newTable();
    for (int s = 0; s < MaxCards; ++s) {
        std::string name = "Card " + std::to_string(s);
        putCard(*table, {name.c_str(), "E", "T", "1", "", "x^^y", "", s & 0xFF});
    }
    Bytes first, second;
    ASSERT_EQ(encodeCards(*table, first, nullptr), 1);
    auto loaded = newTable();
    ASSERT_EQ(loadImage(first, *loaded, nullptr), 1);
    EXPECT_EQ(loaded->slotCount, MaxCards);
    EXPECT_STREQ(loaded->slots[MaxCards - 1].name, "Card 8191");
    EXPECT_STREQ(loaded->slots[77].text, "x\r\ny");
    ASSERT_EQ(encodeCards(*loaded, second, nullptr), 1);
    EXPECT_EQ(first, second);
}

}  // namespace
