// Cards paired by name: the diff of two tables, how it reads as text and
// JSON, and the merge of one table into another.
#include <gtest/gtest.h>

#include <ostream>

#include <nlohmann/json.hpp>

#include "carddata/card_diff.h"
#include "carddata/card_merge.h"
#include "platform/user_locale.h"
#include "tests/support/test_cards.h"

namespace {

// A card with empty fields but those given.
TestCard card(const char* name, const char* edition = "", int colours = 0, const char* text = "") {
    return {name, edition, "", "", "", text, "", colours};
}

// A change as the tests write it.
struct Change {
    ChangeKind kind;
    std::string name;
    int occurrence;
    unsigned fields;
    bool operator==(const Change&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Change& c) {
    const char* kinds[3] = {"added", "removed", "changed"};
    return out << kinds[static_cast<int>(c.kind)] << " " << c.name << " #" << c.occurrence << " fields "
               << c.fields;
}

std::vector<Change> changesOf(const CardTable& before, const CardTable& after) {
    std::vector<Change> out;
    for (const CardChange& c : diffCards(before, after)) {
        const CardTable& table = c.kind == ChangeKind::Removed ? before : after;
        out.push_back({c.kind, table.slots[c.slot].name, c.occurrence, c.fields});
    }
    return out;
}

constexpr unsigned EditionBit = 1u << static_cast<int>(CardField::Edition);
constexpr unsigned TextBit = 1u << static_cast<int>(CardField::Text);

}  // namespace

TEST(CardDiff, PairsCardsByNameInOrderOfOccurrence) {
    struct Case {
        const char* why;
        std::vector<TestCard> before, after;
        std::vector<Change> changes;
    };
    using enum ChangeKind;
    const Case cases[] = {
        {"the same cards", {card("A"), card("B")}, {card("A"), card("B")}, {}},
        {"the same cards in another order", {card("A"), card("B")}, {card("B"), card("A")}, {}},
        {"added", {card("A")}, {card("A"), card("B")}, {{Added, "B", 1, 0}}},
        {"removed", {card("A"), card("B")}, {card("B")}, {{Removed, "A", 1, 0}}},
        {"edition and colours changed",
         {card("A", "E", 0x01)},
         {card("A", "F", 0x21)},
         {{Changed, "A", 1, EditionBit | ColoursChanged}}},
        {"a line break is a change",
         {card("A", "", 0, "x")},
         {card("A", "", 0, "x\r\n")},
         {{Changed, "A", 1, TextBit}}},
        {"the second card of a name removed",
         {card("F", "1"), card("F", "2")},
         {card("F", "1")},
         {{Removed, "F", 2, 0}}},
        {"the second card of a name changed",
         {card("F", "1"), card("F", "2")},
         {card("F", "1"), card("F", "3")},
         {{Changed, "F", 2, EditionBit}}},
        {"a name gaining a second card",
         {card("F", "1")},
         {card("F", "1"), card("F", "2")},
         {{Added, "F", 2, 0}}},
        {"added, then removed, then changed",
         {card("A"), card("B"), card("C", "E")},
         {card("D"), card("C", "F"), card("A")},
         {{Added, "D", 1, 0}, {Removed, "B", 1, 0}, {Changed, "C", 1, EditionBit}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(changesOf(*tableOf(c.before), *tableOf(c.after)), c.changes);
    }
}

TEST(CardDiff, AsTextAndAsJson) {
    const auto before =
        tableOf({card("A", "E", 0x10), {"B\xE9", "", "Instant", "", "", "", "", 0x21}, card("A")});
    const auto after =
        tableOf({card("A", "E, F", 0x30), card("C", "", 0, "a\r\n\"b\""), card("A", "", 0, "t")});
    const std::vector<CardChange> changes = diffCards(*before, *after);
    EXPECT_EQ(diffAsText(changes, *before, *after),
              "added \"C\"\n"
              "    text: \"a\\r\\n\\\"b\\\"\"\n"
              "removed \"B\xC3\xA9\"\n"
              "    type: \"Instant\"\n"
              "    colours: White, Gold\n"
              "changed \"A\"\n"
              "    edition: \"E\" -> \"E, F\"\n"
              "    colours: Green -> Green, Gold\n"
              "changed \"A\" #2\n"
              "    text: \"\" -> \"t\"\n"
              "1 added, 1 removed, 2 changed\n");

    const auto json = nlohmann::json::parse(diffAsJson(changes, *before, *after));
    EXPECT_EQ(json["added"][0]["text"], "a\r\n\"b\"");
    EXPECT_EQ(json["removed"][0]["colours"], nlohmann::json({"White", "Gold"}));
    EXPECT_EQ(json["changed"][0]["fields"], nlohmann::json::parse(R"({"edition":{"old":"E","new":"E, F"},
                                        "colours":{"old":["Green"],"new":["Green","Gold"]}})"));
    EXPECT_EQ(json["changed"][1]["occurrence"], 2);

    EXPECT_EQ(diffAsText({}, *before, *before), "");
    EXPECT_EQ(nlohmann::json::parse(diffAsJson({}, *before, *before)),
              nlohmann::json::parse(R"({"added":[],"removed":[],"changed":[]})"));
}

TEST(CardMerge, EditionsKeepTheirEntriesAndGainNewOnes) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"4E-C", "XX-R", "4E-C,XX-R"},
        {"4E-C, XX-R", "XX-R", "4E-C, XX-R"},           // already listed: as it was
        {"4E-C, XX-R", " 5E-U ", "4E-C,XX-R,5E-U"},      // a changed list is written whole with ","
        {"", "XX-R", "XX-R"},
        {"4E-C, ", "XX-R", "4E-C,XX-R"},
        {" 4E-C ", "4E-C", " 4E-C "},                   // nothing gained: as it was
        {"4E-C", "XX-R, XX-R, 4E-C", "4E-C,XX-R"},
        {"PR-M", "PR-C", "PR-M"},                       // a set code once, whatever the rarity
        {"Skyreach", "XX-R", "Skyreach,XX-R"},
    };
    for (const auto& [held, incoming, merged] : cases) {
        EXPECT_EQ(mergedEdition(held, incoming), merged) << "\"" << held << "\" + \"" << incoming << "\"";
    }
}

TEST(CardMerge, PairedCardsTakeTheNewFieldsAndNewCardsComeLast) {
    struct Case {
        const char* why;
        std::vector<TestCard> db, in, result;
        int added, changed;
        std::size_t notes = 0;  // lines for stderr
        int codePage = 1252;
    };
    const Case cases[] = {
        {"a new card",
         {card("A"), card("B")},
         {card("C", "XX-C")},
         {card("A"), card("B"), card("C", "XX-C")},
         1,
         0},
        {"a reprint gains an edition and takes the new text and colours",
         {card("A", "4E-C", 0x01, "old"), card("B")},
         {card("A", "XX-R", 0x02, "new")},
         {card("A", "4E-C,XX-R", 0x02, "new"), card("B")},
         0,
         1},
        {"an edition already listed",
         {card("A", "4E-C, XX-R")},
         {card("A", "XX-R")},
         {card("A", "4E-C, XX-R")},
         0,
         0},
        {"the second card of a name is added after the first is merged",
         {card("F", "1"), card("G")},
         {card("F", "2"), card("F", "3")},
         {card("F", "1,2"), card("G"), card("F", "3")},
         1,
         1},
        {"a reprint keeps the database's spelling (\xC6 as Ae) and comment, and takes the rest",
         {{"\xC6ther Vial", "4E-C", "Artifact", "1", "", "old", "mine", 0x40}},
         {{"Aether Vial", "XX-U", "Artifact", "1", "", "new", "flavour", 0x40}},
         {{"\xC6ther Vial", "4E-C,XX-U", "Artifact", "1", "", "new", "mine", 0x40}},
         0,
         1,
         1},
        {"in Windows-1251 the byte of \xC6 is \xD0\x96, which pairs with no Ae",
         {{"\xC6ther Vial", "4E-C", "Artifact", "1", "", "old", "mine", 0x40}},
         {{"Aether Vial", "XX-U", "Artifact", "1", "", "new", "flavour", 0x40}},
         {{"\xC6ther Vial", "4E-C", "Artifact", "1", "", "old", "mine", 0x40},
          {"Aether Vial", "XX-U", "Artifact", "1", "", "new", "flavour", 0x40}},
         1,
         0,
         0,
         1251},
        {"an empty comment takes the incoming one",
         {{"A", "4E-C", "", "", "", "", "", 0}},
         {{"A", "4E-C", "", "", "", "", "flavour", 0}},
         {{"A", "4E-C", "", "", "", "", "flavour", 0}},
         0,
         1},
        {"a full edition list keeps its entries, with a note",
         {card("A", std::string(40, 'e').append(",").append(std::string(80, 'f')).c_str())},
         {card("A", "XX-R, YY-R")},
         {card("A", std::string(40, 'e').append(",").append(std::string(80, 'f')).c_str())},
         0,
         0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto db = tableOf(c.db);
        MergeCounts counts;
        std::string error;
        ASSERT_TRUE(useCodePage(c.codePage));
        const bool merged = mergeCards(*db, *tableOf(c.in), counts, error);
        useCodePage(1252);
        ASSERT_TRUE(merged) << error;
        EXPECT_TRUE(sameTable(*db, *tableOf(c.result)));
        EXPECT_EQ(counts.added, c.added);
        EXPECT_EQ(counts.changed, c.changed);
        EXPECT_EQ(counts.notes.size(), c.notes);
    }
}
