// A new set's cards from MTGJSON set files and Scryfall card lists: the
// mapping of each field over the example set in both shapes, and what a set
// file is refused for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include <nlohmann/json.hpp>

#include "carddata/bulk_file.h"
#include "carddata/card_dump.h"
#include "carddata/card_import.h"
#include "tests/support/test_cards.h"
#include "tests/tools/bulk_fixtures.h"

namespace {

// The example set with --code XX, in the order of the set file, with its
// text in UTF-8 as `cardinfo dump` shows it.
const TestCard ExampleSetRows[] = {
    {"Æther Skiff", "XX-S", "Artifact — Vehicle", "3", "3/3",
     "Crew 1 (Tap any number of creatures you control with total power 1 or more: This Vehicle becomes an "
     "artifact creature until end of turn.)",
     "", 0x40},
    {"Flûtist of the Shoals", "XX-C", "Creature — Merfolk Bard", "1U", "1/3",
     "When Flûtist of the Shoals enters the battlefield, scry 2.", "“The tide keeps time; I only follow.”",
     0x02},
    {"Hold // Release", "XX-U", "Instant // Sorcery", "1W // 2R", "",
     "Tap target creature. It doesn't untap during its controller's next untap step.\r\n//\r\nRelease deals "
     "3 "
     "damage to any target.",
     "", 0x01 | 0x08 | 0x20},
    {"Tidecaller Adept // Tidecaller Ascendant", "XX-R", "Creature — Human Wizard // Creature — Human Wizard",
     "1U", "1/2 // 3/3",
     "At the beginning of your upkeep, if you control three or more Islands, transform Tidecaller "
     "Adept.\r\n//\r\nFlying\r\nSpells you cast cost {1} less to cast.",
     "", 0x02},
    {"Orla, Storm Herald", "XX-M", "Legendary Planeswalker — Orla", "2RR", "4",
     "+1: Orla, Storm Herald deals 1 damage to each opponent.\r\n-2: Orla, Storm Herald deals 3 damage to "
     "any "
     "target.\r\n-7: You get an emblem with \"Creatures you control have haste.\"",
     "", 0x08},
    {"Skyroot Marshal", "XX-R", "Creature — Elf Knight", "1GW", "3/3",
     "Vigilance\r\nOther Elves you control get +1/+1.",
     "The canopy answers to her horn.\r\nThe roots answer to her oath.", 0x01 | 0x10 | 0x20},
    {"Cinderbloom Shaman", "XX-U", "Creature — Human Shaman", "1(R/G)(R/G)", "2/2", "Haste", "",
     0x08 | 0x10 | 0x20},
    {"Ichor Lash", "XX-C", "Instant", "1(B/P)", "",
     "({B/P} can be paid with either {B} or 2 life.)\r\nTarget creature gets -2/-2 until end of turn.", "",
     0x04},
    {"Voidborn Wanderer", "XX-R", "Creature — Eldrazi", "5C", "4/5",
     "Devoid (This card has no color.)\r\nWhen Voidborn Wanderer enters the battlefield, exile target "
     "artifact.",
     "", 0},
    {"Siege of Kelder Keep // Kelder Keep Reborn", "XX-U", "Battle — Siege // Legendary Artifact", "2R", "5",
     "(As a Siege enters, choose an opponent to protect it. You and others can attack it. When it's "
     "defeated, "
     "exile it, then cast it transformed.)\r\nWhen Siege of Kelder Keep enters the battlefield, it deals 2 "
     "damage "
     "to each creature.\r\n//\r\n{T}: Add {R}.",
     "", 0x08},
    {"Saltmarsh Flats", "XX-C", "Land", "", "", "{T}: Add {U} or {B}.", "", 0x80},
    {"Saltworks Foundry", "XX-U", "Artifact Land", "", "", "{T}: Add {C}.", "", 0x40 | 0x80},
    {"Kozan Sentry", "XX-C", "Creature — Human Soldier", "2W", "2/3", "First strike", "", 0x01},
    {"Mossback Titan", "XX-R", "Creature — Beast", "5GG", "7/7",
     "Trample\r\nMossback Titan can't be blocked by creatures with power 2 or less.",
     "Moss grows on the stones it sleeps on.", 0x10},
    {"Island", "XX-C", "Basic Land — Island", "", "", "({T}: Add {U}.)", "", 0x80},
};

std::string exampleFile(const char* name) {
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    if (!source) return "";
    std::ifstream in(std::string(source) + "/examples/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The records an import of `text` gives, as the dump shows them, or the error.
struct Imported {
    bool ok;
    std::string error;
    nlohmann::json records;
    ImportReport report;
};

Imported importSet(std::string_view text, std::string_view code = "XX") {
    auto table = std::make_unique<CardTable>();
    Imported out;
    out.ok = importCards(text, ImportFormat::Json, *table, out.error, code, &out.report);
    out.records = nlohmann::json::parse(cardsAsJson(*table));
    return out;
}

// What a bulk file's text gives, handed on seven bytes at a time so that
// tokens span the chunks: each batch's text, or the error.
struct BulkRead {
    bool ok;
    std::string error;
    BulkShape shape = BulkShape::None;
    std::vector<std::string> batches;
};

BulkRead readBulkText(const std::string& bulk, std::string_view code) {
    std::size_t at = 0;
    const BulkReader reader = [&](char* into, std::size_t room, std::size_t& got, std::string&) {
        got = std::min({room, std::size_t{7}, bulk.size() - at});
        std::memcpy(into, bulk.data() + at, got);
        at += got;
        return true;
    };
    BulkRead out;
    const BulkSink keep = [&](const BulkBatch& batch, std::string&) {
        out.batches.push_back(batch.text());
        return true;
    };
    out.ok = readBulk(reader, BulkWant{code, {}}, keep, out.shape, out.error);
    return out;
}

// The set `code` out of a bulk file's text as the text of its own set file.
std::string picked(const std::string& bulk, std::string_view code) {
    const BulkRead read = readBulkText(bulk, code);
    EXPECT_TRUE(read.ok && read.batches.size() == 1) << read.error;
    return read.batches.empty() ? "" : read.batches[0];
}

// A Scryfall array of one card object with the given members.
std::string scryfallCard(const std::string& members) {
    return R"([{"object":"card","name":"N","rarity":"common",)" + members + "}]";
}

}  // namespace

TEST(SetFile, EveryFieldOfTheExampleSetInBothShapes) {
    const std::string mtgjson = exampleFile("tidecallers-reach.mtgjson.json");
    const std::string scryfall = exampleFile("tidecallers-reach.scryfall.json");
    ASSERT_FALSE(mtgjson.empty() || scryfall.empty()) << "CARDLOOM_SOURCE_DIR names the source tree";
    const std::pair<const char*, std::string> shapes[] = {
        {"MTGJSON set file", mtgjson},
        {"Scryfall list", scryfall},
        {"picked out of AllPrintings", picked(allPrintingsAround(mtgjson), "tcr")},
        {"picked out of a Scryfall bulk array", picked(bulkArrayAround(scryfall), "TCR")},
    };
    for (const auto& [shape, text] : shapes) {
        SCOPED_TRACE(shape);
        const Imported set = importSet(text);
        ASSERT_TRUE(set.ok) << set.error;
        ASSERT_EQ(set.records.size(), std::size(ExampleSetRows));
        for (std::size_t i = 0; i < std::size(ExampleSetRows); ++i) {
            const TestCard& row = ExampleSetRows[i];
            const nlohmann::json& record = set.records[i];
            const std::string* fields[7] = {&row.name, &row.edition, &row.type,   &row.cost,
                                            &row.pt,   &row.text,    &row.comment};
            for (int f = 0; f < 7; ++f)
                EXPECT_EQ(record[Fields[f].dumpKey], *fields[f]) << row.name << ", " << Fields[f].dumpKey;
            EXPECT_EQ(record["colours"], row.colours) << row.name;
        }
        ASSERT_EQ(set.report.set.notes.size(), 2u);
        EXPECT_NE(set.report.set.notes[0].find("\"Orla, Storm Herald\": characters replaced in text"),
                  std::string::npos)
            << set.report.set.notes[0];
        EXPECT_NE(set.report.set.notes[1].find("\"Kōzan Sentry\": characters replaced in name"),
                  std::string::npos)
            << set.report.set.notes[1];
    }
}

// Rules the example set leaves out, one card each.
TEST(SetFile, CostsAndColoursOfSingleCards) {
    struct Case {
        const char* members;
        const char* key;
        nlohmann::json expected;
    };
    const Case cases[] = {
        {R"("mana_cost":"{2/W}{G/U/P}")", "cost", "(2/W)(G/U/P)"},
        {R"("mana_cost":"{10}{X}{S}{HW}")", "cost", "10XS(HW)"},
        {R"("colors":["W","U","B","R","G"])", "colours", 0x3F},
        {R"("colors":["G"],"type_line":"Land Creature — Forest Dryad")", "colours",
         0x10},                                                                  // coloured: no Land
        {R"("colors":[],"type_line":"Enchantment — Aura Land")", "colours", 0},  // a subtype is no type
        {R"("colors":null,"type_line":"Basic Land — Wastes")", "colours", 0x80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        const Imported set = importSet(scryfallCard(c.members));
        ASSERT_TRUE(set.ok) << set.error;
        EXPECT_EQ(set.records[0][c.key], c.expected);
    }
}

// MTGJSON's entries of one card: in side order whatever their order in the
// file; a later printing of the same card adds nothing.
TEST(SetFile, FacesOfAnMtgjsonCardByTheirSide) {
    const std::string face = R"({"name":"Up // Down","rarity":"rare","layout":"split","side":")";
    const std::string text = R"({"data":{"code":"T","name":"T","cards":[)" + face +
                             R"(b","manaCost":"{B}","type":"Sorcery","colors":["B"]},)" + face +
                             R"(a","manaCost":"{W}","type":"Instant","colors":["W"]},)" + face +
                             R"(a","manaCost":"{9}","type":"Other"}]}})";
    const Imported set = importSet(text);
    ASSERT_TRUE(set.ok) << set.error;
    ASSERT_EQ(set.records.size(), 1u);
    EXPECT_EQ(set.records[0]["cost"], "W // B");
    EXPECT_EQ(set.records[0]["type"], "Instant // Sorcery");
    EXPECT_EQ(set.records[0]["colours"], 0x01 | 0x04 | 0x20);
}

TEST(SetFile, RefusedWithTheCardAndKeyNamed) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {scryfallCard(R"("mana_cost":2)"), "card 1 \"N\", mana_cost: a number where a string belongs"},
        {R"({"data":{"cards":[{"name":"A","rarity":"common","text":["x"]}]}})",
         "card 1 \"A\", text: an array where a string belongs"},
        {R"([{"object":"card","name":"N","rarity":"epic"}])",
         "card 1 \"N\", rarity: \"epic\" is none of common uncommon rare mythic special bonus"},
        {scryfallCard(R"("colors":["P"])"), "card 1 \"N\", colors: \"P\" is none of W U B R G"},
        {scryfallCard(R"("oracle_text":"a\u0000b")"), "card 1 \"N\", text: holds a NUL character"},
        {scryfallCard(R"("colors":"W")"), "card 1 \"N\", colors: a string where an array of colour letters"},
        {scryfallCard(R"("colors":[)" + std::string(1000, '9') + "]"),
         "record 1: not valid JSON: number overflow parsing '999999"},
        {R"([{"object":"card","name":"A","rarity":"rare"},{"object":"card","rarity":"rare"}])",
         "card 2: no name"},
        {R"([{"object":"card","name":"A","rarity":"rare"},7])",
         "card 2: a number where a card object belongs"},
        {scryfallCard(R"("card_faces":[{"name":"A"},"B"])"),
         "card 1 \"N\", card_faces: a string where a face object belongs"},
        {R"({"object":"list","data":{}})", "data: an object where an array of cards belongs"},
        {R"([{"object":"card","name":"A","set_name":"One"},{"object":"card","name":"B","set_name":"Two"}])",
         "cards of more than one set (\"One\", \"Two\"), whose editions would all take one code: pick one "
         "set "
         "with --set CODE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Imported set = importSet(c.text);
        EXPECT_FALSE(set.ok);
        EXPECT_EQ(set.error.rfind(c.error, 0), 0u) << "expected: " << c.error << "\n     got: " << set.error;
        EXPECT_LT(set.error.size(), 300u) << "a quoted value is cut";
    }
    const Imported noCode = importSet(scryfallCard(R"("mana_cost":"")"), "");
    EXPECT_FALSE(noCode.ok);
    EXPECT_EQ(noCode.report.source, SetSource::Scryfall);
    EXPECT_EQ(noCode.error, "a set file: its editions need the set code (--code)");
}

namespace {

std::string setFixture(const char* name) {
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    if (!source) return "";
    std::ifstream in(std::string(source) + "/tests/tools/sets/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The two Scryfall pages of the cut-down set as one list.
std::string scryfallWhole() {
    auto whole = nlohmann::json::parse(setFixture("real-cut.scryfall.page1.json"));
    const auto page2 = nlohmann::json::parse(setFixture("real-cut.scryfall.page2.json"));
    for (const auto& card : page2["data"]) whole["data"].push_back(card);
    return whole.dump();
}

}  // namespace

// Real cards cut from published set files (tests/tools/sets/README.md): one
// record per card from both sources, the non-cards left out, a cost too long
// put in by the fallback, versions folded, each said in a note.
TEST(SetFile, RealCardsGiveOneRecordEachFromBothSources) {
    struct Row {
        const char* name;
        const char* key;
        const char* value;
    };
    const Row rows[] = {
        {"Oakhame Ranger // Bring Back", "cost", "(G/W)(G/W)(G/W)(G/W)"},
        {"Bruna, the Fading Light", "cost", "5WW"},  // a meld card's front by its face
        {"Brisela, Voice of Nightmares", "pt", "9/10"},
        {"Very Cryptic Command", "cost", "1UUU"},
    };
    const std::string texts[2] = {setFixture("real-cut.mtgjson.json"), scryfallWhole()};
    for (const std::string& text : texts) {
        const Imported set = importSet(text);
        ASSERT_TRUE(set.ok) << set.error;
        SCOPED_TRACE(set.report.source == SetSource::Mtgjson ? "MTGJSON" : "Scryfall");
        std::map<std::string, nlohmann::json> byName;
        for (const auto& record : set.records) EXPECT_TRUE(byName.emplace(record["name"], record).second);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            ASSERT_EQ(byName.count(row.name), 1u);
            EXPECT_EQ(byName[row.name][row.key], row.value);
        }
        EXPECT_EQ(byName["Oakhame Ranger // Bring Back"]["text"].get<std::string>().rfind(
                      "Cost: (G/W)(G/W)(G/W)(G/W) // (G/W)(G/W)(G/W)(G/W)\r\n", 0),
                  0u);
        std::string notes;
        for (const std::string& note : set.report.set.notes) notes += note + "\n";
        EXPECT_NE(notes.find("cost: 44 characters"), std::string::npos) << notes;
        EXPECT_NE(notes.find("\"Very Cryptic Command\": 1 later versions"), std::string::npos) << notes;
        EXPECT_EQ(set.report.set.setName, "Throne of Eldraine");
    }
    const Imported mtgjson = importSet(texts[0]);
    EXPECT_EQ(mtgjson.records.size(), 5u);  // and Propaganda, a reversible card, once
    EXPECT_EQ(mtgjson.report.set.notes.back(),
              "left out 4 that are not cards to play: 1 tokens, 1 emblems, 1 dungeons, 1 digital-only cards");
}

// Shapes that are no set file and no dump are refused with the shapes read.
TEST(SetFile, OtherShapesAreRefusedWithTheShapesRead) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"object":"error","code":"not_found","details":"No cards found"})",
         "a Scryfall error, \"No cards"},
        {R"({"object":"card","name":"N"})", "one Scryfall card: put it in an array"},
        {R"({"meta":{},"data":{"ELD":{"name":"E","cards":[]}}})",
         "an MTGJSON file of every set (AllPrintings)"},
        {R"({"meta":{},"data":{"Opt":[{"name":"Opt"}]}})", "an MTGJSON file of every card (AtomicCards)"},
        {R"({"cards":[]})", "neither a set file nor a dump"},
    };
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(text);
        const Imported set = importSet(text);
        EXPECT_FALSE(set.ok);
        EXPECT_EQ(set.error.rfind(error, 0), 0u) << set.error;
        EXPECT_NE(set.error.find("the shapes read are an MTGJSON set file"), std::string::npos);
    }
}

// The shapes a bulk file may have, and text in skipped parts that a scanner
// could take for structure.
TEST(BulkFile, ShapesAndSkippedTextAreToldApart) {
    struct Case {
        const char* why;
        std::string text;
        const char* set;
        BulkShape shape;
        const char* result;  // the one batch, or the error
    };
    const std::string entry = R"({"name":"B","rarity":"rare","artist":"x"})";
    const std::string card = R"({"name":"B","rarity":"rare","artist":"x","set":"tcr","object":"card"})";
    using enum BulkShape;
    const Case cases[] = {
        {"quotes, backslashes and brackets in a skipped set",
         R"({"data":{"AAA":{"name":"x \"}]\\","cards":[{"text":"\\\"{["}]},"TCR":{"cards":[)" + entry +
             R"(],"code":"TCR","booster":{"a":[1]}}}})",
         "tcr", AllPrintings, R"({"data":{"code":"TCR","cards":[{"name":"B","rarity":"rare"}]}})"},
        {"a set file whose code follows its cards", R"({"data":{"cards":[)" + entry + R"(],"code":"TCR"}})",
         "TCR", MtgjsonSet, R"({"data":{"code":"TCR","cards":[{"name":"B","rarity":"rare"}]}})"},
        {"a Scryfall list", R"({"object":"list","data":[)" + card + "]}", "TCR", ScryfallList,
         R"([{"name":"B","rarity":"rare","set":"tcr","object":"card"}])"},
        {"a dump", R"([{"slot":0,"name":"A"}])", "TCR", Dump, ""},
        {"no such set", "[" + card + "]", "XYZ", ScryfallArray, "holds no set XYZ"},
        {"AtomicCards holds no sets", R"({"data":{"A":[{"name":"A"}]}})", "TCR", AtomicCards,
         "an MTGJSON AtomicCards file holds no sets"},
        {"cut in a string", R"({"data":{"AAA":{"name":"x)", "TCR", AllPrintings,
         "byte 24: the JSON text ends too early"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const BulkRead read = readBulkText(c.text, c.set);
        EXPECT_EQ(read.shape, c.shape);
        const std::string result = read.ok ? (read.batches.empty() ? "" : read.batches[0]) : read.error;
        EXPECT_EQ(result.rfind(c.result, 0), 0u) << result;
    }
    // Every card of AtomicCards: a name's faces in one group, with a rarity.
    const BulkRead atomic =
        readBulkText(R"({"data":{"A // B":[{"name":"A // B"},{"name":"A // B"}],"C":[{"name":"C"}]}})", "");
    ASSERT_EQ(atomic.batches.size(), 1u);
    EXPECT_EQ(
        atomic.batches[0],
        R"({"data":{"cards":[{"name":"A // B","rarity":"common"},{"name":"A // B","rarity":"common"},{"name":"C","rarity":"common"}]}})");
}
