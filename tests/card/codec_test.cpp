// Encoding card file images and loading them: the exact bytes written, and
// what the loader accepts from files written by other programs.
#include <gtest/gtest.h>

#include <cstring>

#include "card/card_codec.h"
#include "tests/support/test_cards.h"

namespace {

CardRecord& addExampleCard(CardTable& table) {
    return putCard(table, {"New card", "Edition", "Type", "Cost", "P/T", "Text", "Comment", 0x0A});
}

TEST(Encode, WorkedExampleByteForByte) {
    auto table = newTable();
    addExampleCard(*table);
    Bytes out;
    ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
    EXPECT_EQ(out, OneCardFile);
    EXPECT_EQ(table->slots[0].blockOffset, 4);
}

TEST(Encode, EmptyTableAndAllDeletedGiveEightBytes) {
    const Bytes empty = {0x04, 0, 0, 0, 0, 0, 0, 0};
    auto table = newTable();
    Bytes out;
    ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
    EXPECT_EQ(out, empty);
    addExampleCard(*table).active = 0;
    addExampleCard(*table).active = 0;
    ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
    EXPECT_EQ(out, empty);
}

TEST(Encode, LengthPrefixes) {
    auto table = newTable();
    std::string text256(256, 't'), text1279(1279, 'u');
    putCard(*table, {"", "", "", "", "", text256.c_str(), text1279.c_str(), 0});
    Bytes out;
    ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
    EXPECT_EQ(out, join({four(4 + 10 + 256 + 1279), str(""), str(""), str(""), Bytes{0x00, 0x01},
                         Bytes(text256.begin(), text256.end()), Bytes{0xFF, 0x04},
                         Bytes(text1279.begin(), text1279.end()), four(1), entry("", 4, 0, "")}));
}

TEST(Encode, DeletedSlotsAreSkippedAndOffsetsStayContiguous) {
    auto table = newTable();
    for (const char* name : {"A", "B", "C", "D", "E"}) putCard(*table, {name, "", "T", "", "", name, "", 0});
    table->slots[3].active = 0;
    table->slots[3].blockOffset = 777;
    Bytes out;
    ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
    const Bytes expected =
        join({four(4 + 4 * 12), block("T", "", "", "A", ""), block("T", "", "", "B", ""),
              block("T", "", "", "C", ""), block("T", "", "", "E", ""), four(4), entry("A", 4, 0, ""),
              entry("B", 16, 0, ""), entry("C", 28, 0, ""), entry("E", 40, 0, "")});
    EXPECT_EQ(out, expected);
    EXPECT_EQ(table->slots[4].blockOffset, 40);
    EXPECT_EQ(table->slots[3].blockOffset, 777);
}

TEST(Encode, CaretPairsWrittenAsLineBreaksWithoutTouchingTheTable) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"a^^b", "a\r\nb"},   {"a^^b^", "a\r\nb^"}, {"^^^", "\r\n^"}, {"^^^^", "\r\n\r\n"},
        {"^", "^"},           {"^x^", "^x^"},       {"", ""},         {"^^x^^", "\r\nx\r\n"},
        {"a\r\nb", "a\r\nb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        auto table = newTable();
        putCard(*table, {c.before, c.before, c.before, c.before, c.before, c.before, c.before, 0});
        Bytes out;
        ASSERT_EQ(encodeCards(*table, out, nullptr), 1);
        EXPECT_EQ(out, join({four(4 + 10 + 5 * std::strlen(c.after)),
                             block(c.after, c.after, c.after, c.after, c.after), four(1),
                             entry(c.after, 4, 0, c.after)}));
        EXPECT_STREQ(table->slots[0].text, c.before);
        convertLineBreaks(*table);
        for (const char* field :
             {table->slots[0].name, table->slots[0].edition, table->slots[0].type, table->slots[0].cost,
              table->slots[0].pt, table->slots[0].text, table->slots[0].comment}) {
            EXPECT_STREQ(field, c.after);
        }
    }
}

TEST(Encode, ConvertLineBreaksLeavesDeletedCardsAlone) {
    auto table = newTable();
    putCard(*table, {"a^^b", "", "", "", "", "", "", 0});
    putCard(*table, {"c^^d", "", "", "", "", "", "", 0}).active = 0;
    convertLineBreaks(*table);
    EXPECT_STREQ(table->slots[0].name, "a\r\nb");
    EXPECT_STREQ(table->slots[1].name, "c^^d");
}

TEST(Encode, RefusesTableBeyondTheFourByteOffsets) {
    auto table = newTable();
    std::string fullText(TextWidth - 1, 'x');
    // Text blocks of 2,568 bytes: 6,533 of them end at 16,777,148, one more
    // would put the index position past 16,777,215.
    for (int i = 0; i < 6534; ++i)
        putCard(*table, {"n", "", "", "", "", fullText.c_str(), fullText.c_str(), 0});
    for (int i = 0; i < table->slotCount; ++i) table->slots[i].blockOffset = -5;
    FileProblem problem;
    Bytes out{1, 2, 3};
    EXPECT_EQ(encodeCards(*table, out, &problem), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(problem.offset, 4u + 6534u * 2568u);
    EXPECT_NE(problem.what[0], '\0');
    EXPECT_EQ(table->slots[6533].blockOffset, -5);

    table->slots[100].active = 0;
    ASSERT_EQ(encodeCards(*table, out, &problem), 1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), four(4 + 6533 * 2568));
    EXPECT_EQ(table->slots[6533].blockOffset, 4 + 6532 * 2568);
}

TEST(Encode, RefusesUnterminatedField) {
    auto table = newTable();
    CardRecord& card = addExampleCard(*table);
    std::memset(card.cost, 'c', CostWidth);
    FileProblem problem;
    Bytes out;
    EXPECT_EQ(encodeCards(*table, out, &problem), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_NE(std::strstr(problem.what, "cost"), nullptr);
}

TEST(Decode, WorkedExample) {
    auto table = newTable();
    FileNotes notes;
    ASSERT_EQ(loadImage(OneCardFile, *table, nullptr, &notes), 1);
    EXPECT_EQ(table->slotCount, 1);
    const CardRecord& card = table->slots[0];
    EXPECT_STREQ(card.name, "New card");
    EXPECT_STREQ(card.edition, "Edition");
    EXPECT_STREQ(card.type, "Type");
    EXPECT_STREQ(card.cost, "Cost");
    EXPECT_STREQ(card.pt, "P/T");
    EXPECT_STREQ(card.text, "Text");
    EXPECT_STREQ(card.comment, "Comment");
    EXPECT_EQ(card.colours, 0x0A);
    EXPECT_EQ(card.active, 1);
    EXPECT_EQ(notes.movedBlockOffsets + notes.nonzeroFourthBytes + notes.nonzeroReservedBytes +
                  notes.caretPairs + notes.truncatedAtZero,
              0);
    EXPECT_EQ(notes.trailingBytes, 0u);
    EXPECT_EQ(notes.unusedBlockBytes, 0u);
}

TEST(Decode, EightByteFileHasNoCards) {
    const Bytes empty = {0x04, 0, 0, 0, 0, 0, 0, 0};
    auto table = newTable();
    ASSERT_EQ(loadImage(empty, *table, nullptr), 1);
    EXPECT_EQ(table->slotCount, 0);
    EXPECT_EQ(table->slots[0].active, 0);
}

TEST(Decode, IgnoresFourthBytesBlockOffsetsAndReservedBytes) {
    const Bytes first = block("Type", "1", "", "Text", ""), second = block("Type", "2", "", "More", "");
    const std::uint32_t p = static_cast<std::uint32_t>(4 + first.size() + second.size());
    const Bytes plain = join({four(p), first, second, four(2), entry("Beta", 4, 1, "E"),
                              entry("Alpha", static_cast<std::uint32_t>(4 + first.size()), 2, "E")});
    const Bytes odd = join({four(p, 0xFF), first, second, four(2, 0xFF),
                            entry("Beta", 0xABCDEF, 1, "E", 0x1234), entry("Alpha", 0, 2, "E", 0xFFFF)});
    auto expected = newTable();
    auto table = newTable();
    ASSERT_EQ(loadImage(plain, *expected, nullptr), 1);
    FileNotes notes;
    ASSERT_EQ(loadImage(odd, *table, nullptr, &notes), 1);
    EXPECT_TRUE(sameTable(*table, *expected));
    EXPECT_EQ(notes.nonzeroFourthBytes, 2);
    EXPECT_EQ(notes.movedBlockOffsets, 2);
    EXPECT_EQ(notes.nonzeroReservedBytes, 2);

    // Slot order is file order, whatever the names.
    EXPECT_STREQ(table->slots[0].name, "Beta");
    EXPECT_STREQ(table->slots[1].name, "Alpha");
    EXPECT_STREQ(table->slots[1].text, "More");
}

TEST(Decode, BlockOffsetFourthByteIsNotPartOfTheValue) {
    const Bytes file = join(
        {four(4 + 10), block("", "", "", "", ""), four(1), str("N"), four(4, 0xFF), {0}, str(""), {0, 0}});
    auto table = newTable();
    FileNotes notes;
    ASSERT_EQ(loadImage(file, *table, nullptr, &notes), 1);
    EXPECT_EQ(notes.movedBlockOffsets, 0);
    EXPECT_EQ(notes.nonzeroFourthBytes, 1);
}

TEST(Decode, ColourByteIsUnsigned) {
    for (int colours : {0x00, 0x80, 0x81, 0xFF}) {
        const Bytes file = join({four(14), block("", "", "", "", ""), four(1),
                                 entry("Land", 4, static_cast<std::uint8_t>(colours), "")});
        auto table = newTable();
        ASSERT_EQ(loadImage(file, *table, nullptr), 1);
        EXPECT_EQ(table->slots[0].colours, colours);
    }
}

TEST(Decode, ZeroByteCutsTheFieldButAllBytesAreConsumed) {
    const std::string costWithZero("12\0junk", 7);
    // 255 stored bytes, the most a name may hold: the bytes after the zero
    // are read past but not kept.
    const std::string longNameWithZero = "Short" + std::string(1, '\0') + std::string(249, 'z');
    const Bytes file = join({four(4 + 10 + 4 + 7 + 2 + 4),
                             str("Type"),
                             str(costWithZero),
                             str("PT"),
                             str("Text"),
                             str(""),
                             four(1),
                             str(longNameWithZero),
                             four(4),
                             {3},
                             str("Ed"),
                             {0, 0}});
    auto table = newTable();
    FileNotes notes;
    ASSERT_EQ(loadImage(file, *table, nullptr, &notes), 1);
    const CardRecord& card = table->slots[0];
    EXPECT_STREQ(card.cost, "12");
    EXPECT_STREQ(card.pt, "PT");
    EXPECT_STREQ(card.text, "Text");
    EXPECT_STREQ(card.name, "Short");
    EXPECT_EQ(card.colours, 3);
    EXPECT_STREQ(card.edition, "Ed");
    EXPECT_EQ(notes.truncatedAtZero, 2);
    // A save writes the cut strings, so the block offset moves nowhere; the
    // bytes after the zero are what a save drops.
    EXPECT_EQ(notes.movedBlockOffsets, 0);
}

TEST(Decode, KeepsCaretsAndLineBreaksAsStored) {
    const Bytes file =
        join({four(4 + 10 + 4 + 4), block("", "", "", "a^^b", "x\r\ny"), four(1), entry("^^", 4, 0, "")});
    auto table = newTable();
    FileNotes notes;
    ASSERT_EQ(loadImage(file, *table, nullptr, &notes), 1);
    EXPECT_STREQ(table->slots[0].text, "a^^b");
    EXPECT_STREQ(table->slots[0].comment, "x\r\ny");
    EXPECT_STREQ(table->slots[0].name, "^^");
    EXPECT_EQ(notes.caretPairs, 2);
}

TEST(Decode, FieldsFilledToTheirFullWidth) {
    const std::string name(NameWidth - 1, 'n'), text(TextWidth - 1, 't');
    const Bytes file = join({four(4 + 10 + 2 * 1279), block("", "", "", text.c_str(), text.c_str()), four(1),
                             entry(name.c_str(), 4, 0, std::string(EditionWidth - 1, 'e').c_str())});
    auto table = newTable();
    ASSERT_EQ(loadImage(file, *table, nullptr), 1);
    EXPECT_EQ(std::strlen(table->slots[0].name), 255u);
    EXPECT_EQ(std::strlen(table->slots[0].comment), 1279u);
    EXPECT_EQ(std::strlen(table->slots[0].edition), 127u);
}

TEST(Decode, NotesTrailingAndUnusedBytes) {
    const Bytes file = join({four(4 + 10 + 3),
                             block("", "", "", "", ""),
                             {9, 9, 9},
                             four(1),
                             entry("N", 4, 0, ""),
                             {1, 2, 3, 4, 5}});
    auto table = newTable();
    FileNotes notes;
    ASSERT_EQ(loadImage(file, *table, nullptr, &notes), 1);
    EXPECT_EQ(notes.unusedBlockBytes, 3u);
    EXPECT_EQ(notes.trailingBytes, 5u);
    EXPECT_STREQ(table->slots[0].name, "N");
}

TEST(Decode, ReplacesAnEarlierLoadWhole) {
    auto table = newTable();
    for (int i = 0; i < 5; ++i) addExampleCard(*table);
    ASSERT_EQ(loadImage(OneCardFile, *table, nullptr), 1);
    EXPECT_EQ(table->slotCount, 1);
    auto expected = newTable();
    ASSERT_EQ(loadImage(OneCardFile, *expected, nullptr), 1);
    EXPECT_TRUE(sameTable(*table, *expected));
}

TEST(CardTable, FieldCopyAndColourLabel) {
    char cost[CostWidth];
    std::string fits(CostWidth - 1, 'c'), tooLong(CostWidth, 'c');
    EXPECT_EQ(copyField(cost, CostWidth, fits.c_str()), 1);
    EXPECT_EQ(std::string(cost), fits);
    EXPECT_EQ(copyField(cost, CostWidth, tooLong.c_str()), 0);
    EXPECT_EQ(std::string(cost), fits);
    EXPECT_EQ(colourLabel(0), nullptr);
    EXPECT_STREQ(colourLabel(0x81), "Land");
    EXPECT_STREQ(colourLabel(0x0A), "Red");
    EXPECT_STREQ(colourLabel(0x01), "White");
}

}  // namespace
