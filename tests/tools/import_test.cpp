// Reading cards back from their JSON and CSV forms: the CSV reader's grammar,
// what an import accepts beyond a plain dump, and the limits of the table.
#include <gtest/gtest.h>

#include <memory>

#include "carddata/card_dump.h"
#include "carddata/card_import.h"
#include "carddata/csv_reader.h"

namespace {

using Records = std::vector<std::vector<std::string>>;

// All records of `text`, or the error that stopped the reader.
std::string readAll(std::string_view text, Records& records) {
    CsvCursor cursor{text};
    std::vector<std::string> fields;
    std::string error;
    records.clear();
    for (;;) {
        const CsvResult result = readCsvRecord(cursor, fields, error);
        if (result == CsvResult::End) return "";
        if (result == CsvResult::Error) return error;
        records.push_back(fields);
    }
}

std::string csvHeader() {
    std::string header;
    for (int i = 0; i < DumpColumns; ++i) header += std::string(i ? "," : "") + dumpKey(i);
    return header + "\r\n";
}

// `count` JSON records with empty text, in slot order.
std::string jsonRecords(int count) {
    std::string text = "[";
    for (int i = 0; i < count; ++i) {
        text += i ? ",\n" : "\n";
        text += R"({"slot":)" + std::to_string(i) +
                R"(,"name":"n","edition":"","type":"","cost":"","pt":"","text":"","comment":"","colours":1})";
    }
    return text + "]\n";
}

}  // namespace

TEST(CsvReader, AcceptsTheForms) {
    struct Case {
        const char* why;
        std::string text;
        Records records;
    };
    const Case cases[] = {
        {"records end in CR LF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        {"the last record may end with the text", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"empty fields", ",\r\n\r\n", {{"", ""}, {""}}},
        {"quoted comma, doubled quote, CR LF", "\"x,\"\"y\"\"\r\nz\",w\r\n", {{"x,\"y\"\r\nz", "w"}}},
        {"quoted empty field at the end", "a,\"\"", {{"a", ""}}},
        {"bare CR and LF inside quotes", "\"\r\",\"\n\"\r\n", {{"\r", "\n"}}},
        {"no text, no records", "", {}},
    };
    for (const Case& c : cases) {
        Records records;
        EXPECT_EQ(readAll(c.text, records), "") << c.why;
        EXPECT_EQ(records, c.records) << c.why;
    }
}

TEST(CsvReader, RefusesWhatRfc4180DoesNotAllow) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"a\nb", "line 1: a line break that is not CR LF outside quotes"},
        {"a,b\r\nc\rd", "line 2: a line break that is not CR LF outside quotes"},
        {"a,b\"c", "line 1: a quote inside a field that is not quoted"},
        {"\"ab\"c,d", "line 1: text after the closing quote of a field"},
        {"\"ab\" ,d", "line 1: text after the closing quote of a field"},
        {"x\r\n\"a\r\nb", "line 2: a quoted field is never closed"},
        {"\"a\r\nb\r\n\",c\r\nd\"", "line 4: a quote inside a field that is not quoted"},
    };
    for (const Case& c : cases) {
        Records records;
        EXPECT_EQ(readAll(c.text, records), c.error) << c.text;
    }
}

TEST(Import, FormatFromTheExtension) {
    struct Case {
        const char* path;
        bool known;
        ImportFormat format;
    };
    const Case cases[] = {
        {"cards.json", true, ImportFormat::Json}, {"C:\\x\\CARDS.JSON", true, ImportFormat::Json},
        {"a.Csv", true, ImportFormat::Csv},       {"cards.csv.txt", false, ImportFormat::Json},
        {"json", false, ImportFormat::Json},      {"cards.jsonl", false, ImportFormat::Json},
    };
    for (const Case& c : cases) {
        ImportFormat format = ImportFormat::Json;
        EXPECT_EQ(importFormatOf(c.path, format), c.known) << c.path;
        if (c.known) {
            EXPECT_EQ(format, c.format) << c.path;
        }
    }
}

TEST(Import, SlotIsOptionalAndColumnsMayComeInAnyOrder) {
    auto table = std::make_unique<CardTable>();
    std::string error;
    const std::string json =
        "\xEF\xBB\xBF[{\"colours\":255,\"comment\":\"c\",\"text\":\"t\\r\\nu\",\"pt\":\"1/1\",\"cost\":\"2\","
        "\"type\":\"T\",\"edition\":\"E\",\"name\":\"N\"}]";
    ASSERT_TRUE(importCards(json, ImportFormat::Json, *table, error)) << error;
    EXPECT_EQ(table->slotCount, 1);
    EXPECT_STREQ(table->slots[0].text, "t\r\nu");
    EXPECT_EQ(table->slots[0].colours, 255);
    EXPECT_EQ(table->slots[0].active, 1);

    const std::string csv =
        "\xEF\xBB\xBF"
        "colours,name,edition,type,cost,pt,text,comment\r\n0,\"A,\"\"b\"\"\",E,T,C,P,\"x\r\ny\",z\r\n7,B,,,,,"
        ",";
    ASSERT_TRUE(importCards(csv, ImportFormat::Csv, *table, error)) << error;
    ASSERT_EQ(table->slotCount, 2);
    EXPECT_STREQ(table->slots[0].name, "A,\"b\"");
    EXPECT_STREQ(table->slots[0].text, "x\r\ny");
    EXPECT_STREQ(table->slots[1].name, "B");
    EXPECT_EQ(table->slots[1].colours, 7);
    EXPECT_EQ(table->slots[2].active, 0);

    ASSERT_TRUE(importCards(csvHeader(), ImportFormat::Csv, *table, error)) << error;
    EXPECT_EQ(table->slotCount, 0);
    EXPECT_EQ(table->slots[0].active, 0) << "a new import starts from an empty table";
    ASSERT_TRUE(importCards("[]", ImportFormat::Json, *table, error)) << error;
    EXPECT_EQ(table->slotCount, 0);
}

TEST(Import, FieldsUpToTheirWidthLessOne) {
    auto table = std::make_unique<CardTable>();
    std::string error;
    const std::string full = csvHeader() + "0," + std::string(255, 'n') + "," + std::string(127, 'e') + ",," +
                             std::string(31, 'c') + "," + std::string(31, 'p') + "," +
                             std::string(1279, 't') + "," + std::string(1279, 'o') + ",0\r\n";
    ASSERT_TRUE(importCards(full, ImportFormat::Csv, *table, error)) << error;
    EXPECT_EQ(std::string(table->slots[0].name).size(), 255u);
    EXPECT_EQ(std::string(table->slots[0].comment).size(), 1279u);

    // Width counts Windows-1252 bytes, not UTF-8 bytes: 255 "é" fit a name.
    std::string accents;
    for (int i = 0; i < 255; ++i) accents += "\xC3\xA9";
    const std::string wide = csvHeader() + "0," + accents + ",,,,,,,0\r\n";
    ASSERT_TRUE(importCards(wide, ImportFormat::Csv, *table, error)) << error;
    EXPECT_EQ(std::string(table->slots[0].name), std::string(255, '\xE9'));
    const std::string tooWide = csvHeader() + "0," + accents + "\xC3\xA9,,,,,,,0\r\n";
    EXPECT_FALSE(importCards(tooWide, ImportFormat::Csv, *table, error));
    EXPECT_EQ(error, "record 1 (line 2), name: 256 characters, the field holds at most 255");
}

TEST(Import, AtMostAsManyRecordsAsTheTableHasSlots) {
    auto table = std::make_unique<CardTable>();
    std::string error;
    ASSERT_TRUE(importCards(jsonRecords(MaxCards), ImportFormat::Json, *table, error)) << error;
    EXPECT_EQ(table->slotCount, MaxCards);
    EXPECT_EQ(table->slots[MaxCards - 1].active, 1);

    EXPECT_FALSE(importCards(jsonRecords(MaxCards + 1), ImportFormat::Json, *table, error));
    EXPECT_EQ(error, "record 8193: more than 8192 cards, the card table has 8192 slots");

    std::string csv = "name,edition,type,cost,pt,text,comment,colours\r\n";
    for (int i = 0; i <= MaxCards; ++i) csv += ",,,,,,,0\r\n";
    EXPECT_FALSE(importCards(csv, ImportFormat::Csv, *table, error));
    EXPECT_EQ(error, "record 8193 (line 8194): more than 8192 cards, the card table has 8192 slots");
}
