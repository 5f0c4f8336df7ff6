// Files that break what the format promises are refused whole by the loader
// the program uses: loading returns 0, names the offset of the damage, and
// leaves the table as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_cards.h"

namespace {

struct DamagedFile {
    const char* what;
    Bytes bytes;
    std::size_t offset;  // where the problem is reported
};

// A one-card file whose `field` holds `length` bytes of 'x' (all others empty).
DamagedFile withLongField(const char* what, CardField field, std::size_t length, std::size_t zeroAt = 0) {
    std::string text(length, 'x');
    if (zeroAt) text[zeroAt] = '\0';
    auto part = [&](CardField f) { return f == field ? str(text) : str(""); };
    Bytes blockBytes = join({part(CardField::Type), part(CardField::Cost), part(CardField::Pt),
                             part(CardField::Text), part(CardField::Comment)});
    std::uint32_t p = static_cast<std::uint32_t>(4 + blockBytes.size());
    Bytes file = join({four(p),
                       blockBytes,
                       four(1),
                       part(CardField::Name),
                       four(4),
                       {0},
                       part(CardField::Edition),
                       {0, 0}});
    const std::size_t fieldOffsets[] = {p + 4, p + 11, 4, 6, 8, 10, 12};  // by CardField
    return {what, file, fieldOffsets[static_cast<int>(field)]};
}

std::vector<DamagedFile> damagedFiles() {
    const Bytes okBlock = block("T", "", "", "", "");  // 11 bytes: the index position is 15
    return {
        {"empty file", {}, 0},
        {"index position cut short", {0x04, 0x00, 0x00}, 0},
        {"index position 0", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0},
        {"index position 3, inside the header", {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0},
        {"index position 8 in an 8-byte file", {0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0},
        {"card count cut short", {0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0},
        {"index position 0x010004: the third byte counts",
         {0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},
         0},
        {"card count 8193, one more than the table's slots",
         {0x04, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00, 0x00},
         4},
        {"card count 65536", {0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}, 4},
        {"one card promised, no text block before the index position",
         {0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
         4},
        {"text block runs past the index position",
         join({{0x0A, 0x00, 0x00, 0x00},          //  0 index position = 10
               {0x04, 0x00, 'T', 'y', 'p', 'e'},  //  4 type; cost would start at 10
               {0x01, 0x00, 0x00, 0x00},          // 10 card count = 1
               entry("N", 4, 0, "")}),
         10},
        {"string longer than the text block area",
         join({{0x0F, 0x00, 0x00, 0x00},  //  0 index position = 15
               {0x00, 0x01, 'T'},         //  4 type claims 256 bytes
               {0, 0, 0, 0, 0, 0, 0, 0},  //  7
               {0x01, 0x00, 0x00, 0x00},  // 15 card count = 1
               entry("N", 4, 0, "")}),
         4},
        {"second card's text block missing",
         join({four(15), okBlock, four(2), entry("A", 4, 0, ""), entry("B", 15, 0, "")}), 15},
        {"index entry missing", join({four(15), okBlock, four(1)}), 19},
        {"name runs past the end of the file",
         join({four(15), okBlock, four(1), {0x14, 0x00, 'N', 'a', 'm'}}), 19},
        {"block offset cut short", join({four(15), okBlock, four(1), str("N"), {0x04, 0x00}}), 22},
        {"colour byte missing", join({four(15), okBlock, four(1), str("N"), four(4)}), 22},
        {"edition cut short", join({four(15), okBlock, four(1), str("N"), four(4), {0}, {0x05, 0x00, 'E'}}),
         27},
        {"reserved bytes missing", join({four(15), okBlock, four(1), str("N"), four(4), {0}, str("E"), {0}}),
         30},
        {"second index entry missing", join({four(26), okBlock, okBlock, four(2), entry("A", 4, 0, "")}), 42},
        withLongField("name of 256 bytes", CardField::Name, 256),
        withLongField("edition of 128 bytes", CardField::Edition, 128),
        withLongField("type of 128 bytes", CardField::Type, 128),
        withLongField("cost of 32 bytes", CardField::Cost, 32),
        withLongField("P/T of 32 bytes", CardField::Pt, 32),
        withLongField("text of 1280 bytes", CardField::Text, 1280),
        withLongField("comment of 1280 bytes", CardField::Comment, 1280),
        withLongField("text of 9000 bytes, more than any buffer", CardField::Text, 9000),
        withLongField("name of 300 bytes whose zero byte comes after 256", CardField::Name, 300, 256),
        // The limit is on the stored length, not on the text before a zero
        // byte: a string longer than its field breaks the format even when
        // its first bytes would fit.
        withLongField("name of 300 bytes whose zero byte comes at 255", CardField::Name, 300, 255),
        withLongField("type of 128 bytes whose zero byte comes at 1", CardField::Type, 128, 1),
        withLongField("text of 9000 bytes whose zero byte comes at 1", CardField::Text, 9000, 1),
    };
}

TEST(DamagedFile, RefusedWholeWithTheTableUntouched) {
    auto before = newTable();
    putCard(*before, {"Kept", "Ed", "Type", "1", "1/1", "Line one\r\nLine two", "", 0x81});
    putCard(*before, {"Deleted", "", "", "", "", "", "", 0}).active = 0;
    putCard(*before, {"Also kept", "", "", "", "", "", "", 4});
    auto table = newTable();
    for (const DamagedFile& row : damagedFiles()) {
        SCOPED_TRACE(row.what);
        std::memcpy(table.get(), before.get(), sizeof(CardTable));
        FileProblem problem;
        FileNotes notes;
        notes.caretPairs = -1;
        EXPECT_EQ(loadImage(row.bytes, *table, &problem, &notes), 0);
        EXPECT_EQ(problem.offset, row.offset) << problem.what;
        EXPECT_NE(problem.what[0], '\0');
        EXPECT_TRUE(sameTable(*table, *before));
        EXPECT_EQ(table->slotCount, 3);
        EXPECT_EQ(notes.caretPairs, -1);
    }
}

TEST(DamagedFile, ProblemNamesTheField) {
    auto table = newTable();
    FileProblem problem;
    DamagedFile row = withLongField("", CardField::Comment, 1280);
    ASSERT_EQ(loadImage(row.bytes, *table, &problem), 0);
    EXPECT_NE(std::strstr(problem.what, "comment"), nullptr) << problem.what;
    EXPECT_NE(std::strstr(problem.what, "1280"), nullptr) << problem.what;
}

TEST(DamagedFile, LongestFieldsThatFitAreAccepted) {
    const struct {
        CardField field;
        std::size_t length;
    } limits[] = {{CardField::Name, 255},    {CardField::Edition, 127}, {CardField::Type, 127},
                  {CardField::Cost, 31},     {CardField::Pt, 31},       {CardField::Text, 1279},
                  {CardField::Comment, 1279}};
    for (const auto& limit : limits) {
        DamagedFile row = withLongField("", limit.field, limit.length);
        auto table = newTable();
        EXPECT_EQ(loadImage(row.bytes, *table, nullptr), 1) << limit.length;
    }
    // A string of its field's full length with a zero byte inside loads cut
    // at the zero byte.
    DamagedFile row = withLongField("", CardField::Name, 255, 100);
    auto table = newTable();
    EXPECT_EQ(loadImage(row.bytes, *table, nullptr), 1);
    EXPECT_EQ(std::strlen(table->slots[0].name), 100u);
}

}  // namespace
