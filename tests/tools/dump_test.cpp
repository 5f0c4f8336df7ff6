// The JSON and CSV forms of the card table and the texts of `check`.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "carddata/card_dump.h"
#include "carddata/check_report.h"
#include "platform/code_page.h"
#include "tests/support/test_cards.h"

namespace {

const char* const Keys[9] = {"slot", "name", "edition", "type", "cost", "pt", "text", "comment", "colours"};

// Splits RFC 4180 text into records of fields; fails the test on a record
// that does not end in CR LF or a stray quote.
std::vector<std::vector<std::string>> parseCsv(const std::string& csv) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    std::size_t i = 0;
    while (i < csv.size()) {
        std::string& field = records.back().back();
        if (csv[i] == '"' && field.empty()) {
            for (++i; i < csv.size(); ++i) {
                if (csv[i] == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (csv[i] == '"') {
                    break;
                } else {
                    field += csv[i];
                }
            }
            EXPECT_LT(i, csv.size()) << "unterminated quoted field";
            ++i;
        } else if (csv[i] == ',') {
            records.back().emplace_back();
            ++i;
        } else if (csv.compare(i, 2, "\r\n") == 0) {
            records.emplace_back(1);
            i += 2;
        } else {
            EXPECT_NE(csv[i], '"') << "quote inside an unquoted field at " << i;
            EXPECT_NE(csv[i], '\n') << "bare LF at " << i;
            field += csv[i++];
        }
    }
    EXPECT_EQ(records.back(), std::vector<std::string>(1)) << "the last record does not end in CR LF";
    records.pop_back();
    return records;
}

std::string toCp1252(const std::string& utf8) {
    std::string bytes;
    EXPECT_TRUE(utf8ToAnsi(utf8, bytes)) << utf8;
    return bytes;
}

const std::string EveryByte = everyByte();

std::unique_ptr<CardTable> sampleTable() {
    auto table = tableOf({
        {"Alpha, \"the first\"", "Ed", "Type", "1", "1/1", "line one\r\nline two", "", 0x0A},
        {"Deleted", "", "", "", "", "", "", 1},
        {EveryByte.substr(0, 255), EveryByte.substr(0, 127), EveryByte.substr(128), "", "", EveryByte,
         EveryByte, 0x80},
        {"", "", "", "", "", "", "", 0xFF},
    });
    table->slots[1].active = 0;
    return table;
}

}  // namespace

TEST(DumpJson, OneObjectPerLiveCardWithKeysInOrder) {
    const auto table = sampleTable();
    const nlohmann::ordered_json cards = nlohmann::ordered_json::parse(cardsAsJson(*table));
    ASSERT_TRUE(cards.is_array());
    ASSERT_EQ(cards.size(), 3u);
    const int slots[3] = {0, 2, 3};
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const auto& card = cards[i];
        std::vector<std::string> order;
        for (const auto& item : card.items()) order.push_back(item.key());
        EXPECT_EQ(order, std::vector<std::string>(Keys, Keys + 9));
        const CardRecord& slot = table->slots[slots[i]];
        EXPECT_EQ(card["slot"], slots[i]);
        EXPECT_EQ(card["colours"], slot.colours);
        const char* fields[7] = {slot.name, slot.edition, slot.type,   slot.cost,
                                 slot.pt,   slot.text,    slot.comment};
        for (int f = 0; f < 7; ++f) EXPECT_EQ(toCp1252(card[Keys[1 + f]].get<std::string>()), fields[f]);
    }
    EXPECT_EQ(cards[0]["text"], "line one\r\nline two");
}

TEST(DumpJson, TextLayout) {
    EXPECT_EQ(cardsAsJson(*tableOf({})), "[]\n");
    const std::string one = cardsAsJson(*tableOf({{"N", "E", "T", "C", "P", "a\r\nb", "\x81", 255}}));
    EXPECT_EQ(one,
              "[\n{\"slot\":0,\"name\":\"N\",\"edition\":\"E\",\"type\":\"T\",\"cost\":\"C\",\"pt\":\"P\","
              "\"text\":\"a\\r\\nb\",\"comment\":\"\xC2\x81\",\"colours\":255}\n]\n");
}

TEST(DumpCsv, HeaderAndQuotedFieldsRoundTrip) {
    const auto table = sampleTable();
    const std::string csv = cardsAsCsv(*table);
    EXPECT_EQ(csv.rfind("slot,name,edition,type,cost,pt,text,comment,colours\r\n", 0), 0u);
    EXPECT_NE(csv.find("\"Alpha, \"\"the first\"\"\""), std::string::npos);
    const auto records = parseCsv(csv);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], std::vector<std::string>(Keys, Keys + 9));
    const int slots[3] = {0, 2, 3};
    for (int i = 0; i < 3; ++i) {
        const auto& record = records[1 + i];
        ASSERT_EQ(record.size(), 9u);
        const CardRecord& slot = table->slots[slots[i]];
        EXPECT_EQ(record[0], std::to_string(slots[i]));
        EXPECT_EQ(record[8], std::to_string(slot.colours));
        const char* fields[7] = {slot.name, slot.edition, slot.type,   slot.cost,
                                 slot.pt,   slot.text,    slot.comment};
        for (int f = 0; f < 7; ++f)
            EXPECT_EQ(toCp1252(record[1 + f]), fields[f]) << "card " << i << " field " << f;
    }
    EXPECT_EQ(cardsAsCsv(*tableOf({})), "slot,name,edition,type,cost,pt,text,comment,colours\r\n");
}

TEST(CheckReport, NamesEveryChangeASaveMakes) {
    FileNotes notes;
    EXPECT_EQ(describeNotes("a.dat", 1, notes),
              "a.dat: 1 card, already normal: a save writes the same bytes\n");
    notes.movedBlockOffsets = 2;
    notes.nonzeroFourthBytes = 3;
    notes.nonzeroReservedBytes = 4;
    notes.caretPairs = 5;
    notes.truncatedAtZero = 6;
    notes.trailingBytes = 7;
    notes.unusedBlockBytes = 8;
    const std::string text = describeNotes("b.dat", 9, notes);
    EXPECT_EQ(text.rfind("b.dat: 9 cards, a save would change:\n", 0), 0u) << text;
    for (const char* count : {": 2\n", ": 3\n", ": 4\n", ": 5\n", ": 6\n", ": 7\n", ": 8\n"})
        EXPECT_NE(text.find(count), std::string::npos) << count << " missing in\n" << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8);
}

TEST(CheckReport, ProblemIsOneLineWithFileAndOffset) {
    FileProblem problem;
    problem.offset = 1234;
    std::strcpy(problem.what, "card 3: its name runs past the end of the file");
    EXPECT_EQ(describeProblem("x.dat", problem),
              "x.dat: byte 1234: card 3: its name runs past the end of the file");
}
