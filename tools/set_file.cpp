#include "tools/set_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

namespace {

using nlohmann::json;

// ---- The mapping: every key of a card or face that is read is in this part. ----

// Keys a card has in both sources.
constexpr const char* NameKey = "name";
constexpr const char* RarityKey = "rarity";
constexpr const char* ColoursKey = "colors";
constexpr const char* MtgjsonSideKey = "side";          // "a", "b", ... on each face's entry
constexpr const char* ScryfallFacesKey = "card_faces";  // the faces of one card object
constexpr const char* PtKeys[4] = {"power", "toughness", "loyalty", "defense"};  // the same in both

// A face's value of a field, in UTF-8: false with the key in `bad` when the
// key holds something other than a string.
using FaceValue = bool (*)(const json& face, const char* key, std::string& value, const char*& bad);

bool plainValue(const json& face, const char* key, std::string& value, const char*& bad);
bool costValue(const json& face, const char* key, std::string& value, const char*& bad);
bool linesValue(const json& face, const char* key, std::string& value, const char*& bad);
bool ptValue(const json& face, const char* key, std::string& value, const char*& bad);

// The fields a record takes from the faces of a card: the key in each
// source, how a face's value is read, and what stands between the faces
// that have one.
struct FaceRule {
    CardField field;
    const char* mtgjson;
    const char* scryfall;
    FaceValue value;
    const char* join;
};

const FaceRule faceRules[] = {
    {CardField::Type, "type", "type_line", plainValue, " // "},
    {CardField::Cost, "manaCost", "mana_cost", costValue, " // "},
    {CardField::Pt, "", "", ptValue, " // "},  // reads PtKeys
    {CardField::Text, "text", "oracle_text", linesValue, "\r\n//\r\n"},
    {CardField::Comment, "flavorText", "flavor_text", linesValue, "\r\n//\r\n"},
};
constexpr int TypeRule = 0;  // faceRules[0] gives the type line

struct Rarity {
    const char* name;
    char letter;
};
const Rarity rarities[] = {{"common", 'C'}, {"uncommon", 'U'}, {"rare", 'R'},
                           {"mythic", 'M'}, {"special", 'S'},  {"bonus", 'S'}};

// The colour letters of both sources; the letter's place is its bit.
constexpr std::string_view ColourLetters = "WUBRG";
constexpr ColourBits GoldBit = 1 << 5, ArtifactBit = 1 << 6, LandBit = 1 << 7;

// Words of a type line, before the subtypes, that give a colourless card a bit.
struct TypeBit {
    std::string_view word;
    ColourBits bit;
};
const TypeBit typeBits[] = {{"Artifact", ArtifactBit}, {"Land", LandBit}};
constexpr std::string_view SubtypeDash = "\u2014";  // em dash

// ---- Reading values. ----

// A string at `key`; absent or null is empty.
bool stringAt(const json& object, const char* key, std::string& value, const char*& bad) {
    value.clear();
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return true;
    if (!found->is_string()) {
        bad = key;
        return false;
    }
    value = found->get<std::string>();
    return true;
}

bool plainValue(const json& face, const char* key, std::string& value, const char*& bad) {
    return stringAt(face, key, value, bad);
}

// {2}{G}{G} as 2GG; a symbol longer than one character and not a number
// keeps parentheses: {W/U} as (W/U), {G/P} as (G/P).
bool costValue(const json& face, const char* key, std::string& value, const char*& bad) {
    std::string cost;
    if (!stringAt(face, key, cost, bad)) return false;
    value.clear();
    for (std::size_t pos = 0; pos < cost.size();) {
        const std::size_t close = cost[pos] == '{' ? cost.find('}', pos) : std::string::npos;
        if (close == std::string::npos) {
            value += cost[pos++];
            continue;
        }
        const std::string_view symbol = std::string_view(cost).substr(pos + 1, close - pos - 1);
        const bool bare = symbol.size() <= 1 || std::all_of(symbol.begin(), symbol.end(),
                                                            [](char c) { return c >= '0' && c <= '9'; });
        value += bare ? std::string(symbol) : "(" + std::string(symbol) + ")";
        pos = close + 1;
    }
    return true;
}

// Lines ending in LF (or CR LF) as lines ending in CR LF.
bool linesValue(const json& face, const char* key, std::string& value, const char*& bad) {
    std::string text;
    if (!stringAt(face, key, text, bad)) return false;
    value.clear();
    for (const char c : text) {
        if (c == '\r') continue;
        if (c == '\n') value += '\r';
        value += c;
    }
    return true;
}

// power/toughness, else the loyalty, else the defence.
bool ptValue(const json& face, const char*, std::string& value, const char*& bad) {
    std::string values[4];  // power, toughness, loyalty, defence
    for (int i = 0; i < 4; ++i) {
        if (!stringAt(face, PtKeys[i], values[i], bad)) return false;
    }
    const bool creature = !values[0].empty() || !values[1].empty();
    value = creature ? values[0] + "/" + values[1] : !values[2].empty() ? values[2] : values[3];
    return true;
}

bool typeLineNames(std::string_view typeLine, std::string_view word) {
    std::string_view types = typeLine.substr(0, typeLine.find(SubtypeDash));
    while (!types.empty()) {
        const std::size_t space = types.find(' ');
        if (types.substr(0, space) == word) return true;
        types = space == std::string_view::npos ? std::string_view() : types.substr(space + 1);
    }
    return false;
}

// ---- Cards and their faces. ----

struct SetCard {
    std::size_t number;  // of its first entry in the set file, from 1
    std::string name;    // UTF-8
    const json* card;    // the card object (MTGJSON: its first face's entry)
    std::vector<std::pair<std::string, const json*>> faces;  // side and face, in side order
};

// "card 5" or 'card 5 "Name"', the name escaped as a JSON string so that a
// message stays one line.
std::string cardName(std::size_t number, const std::string& name) {
    return "card " + std::to_string(number) + (name.empty() ? "" : " " + json(name).dump());
}

bool badKey(std::string& error, const std::string& card, const char* key) {
    error = card + ", " + key + ": not a string";
    return false;
}

// The set file's cards, one per name: MTGJSON's face entries gathered by
// the name they share, Scryfall's faces taken from each card object; later
// printings of a name add only faces not yet seen.
bool collectCards(const json& list, SetSource source, std::vector<SetCard>& cards, std::string& error) {
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& entry = list[i];
        if (!entry.is_object()) {
            error = cardName(i + 1, "") + ": not an object";
            return false;
        }
        std::string name, side;
        const char* bad = nullptr;
        if (!stringAt(entry, NameKey, name, bad)) return badKey(error, cardName(i + 1, ""), bad);
        if (name.empty()) {
            error = cardName(i + 1, "") + ": no name";
            return false;
        }
        const auto [at, fresh] = byName.try_emplace(name, cards.size());
        if (fresh) cards.push_back({i + 1, name, &entry, {}});
        SetCard& card = cards[at->second];
        if (source == SetSource::Mtgjson) {
            if (!stringAt(entry, MtgjsonSideKey, side, bad)) return badKey(error, cardName(i + 1, name), bad);
            const bool seen = std::any_of(card.faces.begin(), card.faces.end(),
                                          [&](const auto& face) { return face.first == side; });
            if (!seen) card.faces.emplace_back(side, &entry);
            continue;
        }
        if (!fresh) continue;
        const auto faces = entry.find(ScryfallFacesKey);
        if (faces == entry.end() || !faces->is_array() || faces->empty()) {
            card.faces.emplace_back("", &entry);
            continue;
        }
        for (const json& face : *faces) {
            if (!face.is_object()) {
                error = cardName(i + 1, name) + ", " + ScryfallFacesKey + ": a face that is not an object";
                return false;
            }
            card.faces.emplace_back("", &face);
        }
    }
    for (SetCard& card : cards)
        std::stable_sort(card.faces.begin(), card.faces.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

// Windows-1252 bytes into a field, refused when they do not fit or hold a NUL.
bool storeField(CardRecord& record, CardField field, const std::string& bytes, const std::string& card,
                std::string& error) {
    const FieldInfo& info = infoOf(field);
    if (bytes.find('\0') != std::string::npos) {
        error = card + ", " + info.label + ": holds a NUL character, which a card field cannot";
        return false;
    }
    if (bytes.size() >= static_cast<std::size_t>(info.width)) {
        error = card + ", " + info.label + ": " + std::to_string(bytes.size()) +
                " characters, the field holds at most " + std::to_string(info.width - 1);
        return false;
    }
    std::memcpy(fieldText(record, field), bytes.data(), bytes.size());
    fieldText(record, field)[bytes.size()] = '\0';
    return true;
}

// UTF-8 text into a field as the platform converts it; the field's label
// joins `replaced` when a character did not come through as itself.
bool storeText(CardRecord& record, CardField field, std::string_view utf8, const std::string& card,
               std::string& replaced, std::string& error) {
    bool exact = true;
    if (!storeField(record, field, utf8ToAnsiBestFit(utf8, &exact), card, error)) return false;
    if (!exact) replaced += (replaced.empty() ? "" : ", ") + std::string(infoOf(field).label);
    return true;
}

bool editionOf(const SetCard& card, std::string_view code, std::string& edition, const std::string& where,
               std::string& error) {
    std::string rarity;
    const char* bad = nullptr;
    if (!stringAt(*card.card, RarityKey, rarity, bad)) return badKey(error, where, bad);
    for (const Rarity& known : rarities) {
        if (rarity != known.name) continue;
        edition = std::string(code) + "-" + known.letter;
        return true;
    }
    error = where + ", " + RarityKey + ": " + json(rarity).dump() + " is none of";
    for (const Rarity& known : rarities) error += std::string(" ") + known.name;
    return false;
}

// The colour bits of the card object and all its faces; for a colourless
// card the bits its type lines give.
bool coloursOf(const SetCard& card, const std::vector<std::string>& typeLines, ColourBits& bits,
               const std::string& where, std::string& error) {
    bits = 0;
    std::vector<const json*> objects = {card.card};
    for (const auto& face : card.faces) objects.push_back(face.second);
    for (const json* object : objects) {
        const auto colours = object->find(ColoursKey);
        if (colours == object->end() || colours->is_null()) continue;
        if (!colours->is_array()) return badKey(error, where, ColoursKey);
        for (const json& letter : *colours) {
            const std::size_t bit = letter.is_string() && letter.get_ref<const std::string&>().size() == 1
                                        ? ColourLetters.find(letter.get_ref<const std::string&>()[0])
                                        : std::string_view::npos;
            if (bit == std::string_view::npos) {
                error = where + ", " + ColoursKey + ": " + letter.dump() + " is none of W U B R G";
                return false;
            }
            bits |= static_cast<ColourBits>(1 << bit);
        }
    }
    const int count = std::popcount(static_cast<unsigned>(bits));
    if (count > 1) bits |= GoldBit;
    for (const TypeBit& type : typeBits) {
        const bool named = std::any_of(typeLines.begin(), typeLines.end(), [&](const std::string& line) {
            return typeLineNames(line, type.word);
        });
        if (count == 0 && named) bits |= type.bit;
    }
    return true;
}

// One card's record in the next slot of `table`.
bool putCard(const SetCard& card, SetSource source, std::string_view code, CardTable& table,
             std::vector<std::string>& replacedCards, std::string& error) {
    const std::string where = cardName(card.number, card.name);
    if (table.slotCount >= MaxCards) {
        error = where + ": more than " + std::to_string(MaxCards) + " cards, the card table has " +
                std::to_string(MaxCards) + " slots";
        return false;
    }
    CardRecord& record = table.slots[table.slotCount++];
    std::string replaced;
    if (!storeText(record, CardField::Name, card.name, where, replaced, error)) return false;
    std::string edition;
    if (!editionOf(card, code, edition, where, error) ||
        !storeField(record, CardField::Edition, edition, where, error))
        return false;
    std::vector<std::string> typeLines;
    for (std::size_t r = 0; r < std::size(faceRules); ++r) {
        const FaceRule& rule = faceRules[r];
        const char* key = source == SetSource::Mtgjson ? rule.mtgjson : rule.scryfall;
        std::string joined, value;
        for (const auto& face : card.faces) {
            const char* bad = nullptr;
            if (!rule.value(*face.second, key, value, bad)) return badKey(error, where, bad);
            if (r == TypeRule) typeLines.push_back(value);
            if (value.empty()) continue;
            joined += (joined.empty() ? "" : rule.join) + value;
        }
        if (!storeText(record, rule.field, joined, where, replaced, error)) return false;
    }
    ColourBits bits = 0;
    if (!coloursOf(card, typeLines, bits, where, error)) return false;
    record.colours = bits;
    record.active = 1;
    if (!replaced.empty()) replacedCards.push_back(where + ": characters replaced in " + replaced);
    return true;
}

}  // namespace

bool setFileReads(std::string_view key) {
    for (const char* read : {NameKey, RarityKey, ColoursKey, MtgjsonSideKey, ScryfallFacesKey}) {
        if (key == read) return true;
    }
    for (const char* read : PtKeys) {
        if (key == read) return true;
    }
    for (const FaceRule& rule : faceRules) {
        if (key == rule.mtgjson || key == rule.scryfall) return true;
    }
    return false;
}

SetSource setSourceOf(const json& root) {
    if (root.is_array()) {
        const bool cards = !root.empty() && root[0].is_object() && root[0].value("object", json()) == "card";
        return cards ? SetSource::Scryfall : SetSource::None;
    }
    if (!root.is_object()) return SetSource::None;
    if (root.value("object", json()) == "list") return SetSource::Scryfall;
    const auto data = root.find("data");
    return data != root.end() && data->is_object() && data->contains("cards") ? SetSource::Mtgjson
                                                                              : SetSource::None;
}

bool setFileCards(const json& root, SetSource source, std::string_view code, CardTable& table,
                  std::vector<std::string>& replaced, std::string& error) {
    // The cards: MTGJSON's in data.cards, a Scryfall list's in data, a plain
    // array's in itself.
    const json* list = &root;
    if (root.is_object()) {
        const auto data = root.find("data");
        list = data == root.end() ? nullptr : &*data;
    }
    if (list && source == SetSource::Mtgjson) {
        const auto cards = list->find("cards");
        list = cards == list->end() ? nullptr : &*cards;
    }
    if (!list || !list->is_array()) {
        error = source == SetSource::Mtgjson ? "data.cards: not an array" : "data: not an array";
        return false;
    }
    std::vector<SetCard> cards;
    if (!collectCards(*list, source, cards, error)) return false;
    for (const SetCard& card : cards) {
        if (!putCard(card, source, code, table, replaced, error)) return false;
    }
    return true;
}
