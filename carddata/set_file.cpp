// The two public card-data sources' set files mapped to card records.
//
// Field by field, the same for both sources:
//   name     the card's name; a card of several faces is "A // B"
//   edition  the user's set code, "-" and the rarity's letter: C common,
//            U uncommon, R rare, M mythic, S special and bonus
//   type     the type line
//   cost     the mana cost without braces: {2}{G}{G} gives 2GG; a symbol of
//            more than one character keeps parentheses: {W/U} (W/U),
//            {G/P} (G/P), {2/W} (2/W); numbers stay bare: {10} 10
//   P/T      power/toughness, else the loyalty, else the defence
//   text     the rules text, CR LF between lines
//   comment  the flavour text, CR LF between lines
//   colours  a bit per colour (W U B R G: White Blue Black Red Green), Gold
//            with more than one; a colourless card gets Artifact when its
//            type line names an artifact and Land when it names a land
// A card of several faces: type, cost and P/T are the faces' values joined
// with " // ", text and comment joined with CR LF "//" CR LF, each leaving
// out the faces without one; its colours are those of all its faces.
//
// Layouts, as both sources give them:
//   normal, saga, leveler, class, mutate, prototype, host, augment,
//   planar, scheme, vanguard    one face: a record of its own
//   split, fuse, aftermath, adventure, flip, transform, modal_dfc, battle
//                               "A // B", the faces joined as above
//   meld                        each printed card by its own face's name
//                               (Scryfall's names; MTGJSON names the front
//                               "A // C" and gives its face name apart), and
//                               the melded back as a card of its own
//   reversible_card             faces that are one card ("A // A") give one
//                               record named "A" from the first face
// Planes, schemes and Vanguard are printed cards with a type line, text and
// a set: they go in like any other card.
//
// Left out, counted by kind in one line: tokens, emblems, art cards,
// dungeons, markers (type line "Card", such as The Monarch) and cards only
// sold in digital form (MTGJSON's isOnlineOnly and isRebalanced, the "A-"
// rebalanced names; Scryfall's digital).
//
// One record per name. A name the set holds more than once (another
// printing, a basic land) gives one record, from its first printing; when a
// later version's rules text differs (Unstable's variants), a line names the
// card and how many versions were folded.
//
// A value too long for its field goes in by a fallback that keeps what it
// says, with a line naming the card: a type, cost or P/T of several faces
// keeps its first face's value and the whole value goes at the head of the
// text ("Cost: (G/W)(G/W) // (G/W)(G/W)"); a name too long keeps what fits,
// the whole name at the head of the text; rules text too long keeps what
// fits and the rest goes at the head of the comment; a comment too long is
// cut. Text goes to the ANSI code page as the platform converts it, with
// best-fit letters and '?' for what the code page lacks.
#include "carddata/set_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "card/card_fields.h"
#include "carddata/card_diff.h"
#include "platform/code_page.h"

namespace {

using nlohmann::json;

// ---- The mapping: every key of a card or face that is read is in this part. ----

// Keys a card has in both sources.
constexpr const char* NameKey = "name";
constexpr const char* RarityKey = "rarity";
constexpr const char* ColoursKey = "colors";
constexpr const char* LayoutKey = "layout";
constexpr const char* MtgjsonSideKey = "side";          // "a", "b", ... on each face's entry
constexpr const char* MtgjsonFaceNameKey = "faceName";  // the face's own name on each face's entry
constexpr const char* ScryfallFacesKey = "card_faces";  // the faces of one card object
constexpr const char* ScryfallSetNameKey = "set_name";  // the set's name on each card object
constexpr const char* PtKeys[4] = {"power", "toughness", "loyalty", "defense"};  // the same in both

// Keys saying that a card is sold only in digital form.
constexpr const char* DigitalKeys[] = {"isOnlineOnly", "isRebalanced", "digital"};
constexpr std::string_view RebalancedPrefix = "A-";

// A face's value of a field, in UTF-8: false with the key in `bad` when the
// key holds something other than a string.
using FaceValue = bool (*)(const json& face, const char* key, std::string& value, const char*& bad);

bool plainValue(const json& face, const char* key, std::string& value, const char*& bad);
bool costValue(const json& face, const char* key, std::string& value, const char*& bad);
bool linesValue(const json& face, const char* key, std::string& value, const char*& bad);
bool ptValue(const json& face, const char* key, std::string& value, const char*& bad);

// The fields a record takes from the faces of a card: the key in each
// source, how a face's value is read, what stands between the faces that
// have one, and whether a value too long keeps its first face's value (the
// whole value at the head of the text, after `label`).
struct FaceRule {
    CardField field;
    const char* mtgjson;
    const char* scryfall;
    FaceValue value;
    const char* join;
    const char* label;  // nullptr: not by the first face
};

const FaceRule FaceRules[] = {
    {CardField::Type, "type", "type_line", plainValue, " // ", "Type"},
    {CardField::Cost, "manaCost", "mana_cost", costValue, " // ", "Cost"},
    {CardField::Pt, "", "", ptValue, " // ", "P/T"},  // reads PtKeys
    {CardField::Text, "text", "oracle_text", linesValue, "\r\n//\r\n", nullptr},
    {CardField::Comment, "flavorText", "flavor_text", linesValue, "\r\n//\r\n", nullptr},
};
constexpr int TypeRule = 0;  // FaceRules[0] gives the type line
constexpr int TextRule = 3;  // FaceRules[3] gives the rules text

struct Rarity {
    const char* name;
    char letter;
};
const Rarity Rarities[] = {{"common", 'C'}, {"uncommon", 'U'}, {"rare", 'R'},
                           {"mythic", 'M'}, {"special", 'S'},  {"bonus", 'S'}};

// The colour letters of both sources and the colour each stands for.
struct ColourLetter {
    char letter;
    ColourBits bit;
};
constexpr ColourLetter ColourLetters[] = {{'W', colourBit("White")},
                                          {'U', colourBit("Blue")},
                                          {'B', colourBit("Black")},
                                          {'R', colourBit("Red")},
                                          {'G', colourBit("Green")}};
constexpr ColourBits GoldBit = colourBit("Gold");

// Words of a type line, before the subtypes, that give a colourless card a bit.
struct TypeBit {
    std::string_view word;
    ColourBits bit;
};
const TypeBit TypeBits[] = {{"Artifact", colourBit("Artifact")}, {"Land", colourBit("Land")}};
constexpr std::string_view SubtypeDash = "\u2014";  // em dash

// What is not a card: a kind by its layout or a word of its type line. The
// first kind that matches counts; digital-only cards are the last kind.
struct NonCard {
    const char* kind;
    const char* layouts[2];
    const char* typeWord;
};
const NonCard NonCards[] = {
    {"art cards", {"art_series", nullptr}, nullptr},
    {"markers", {nullptr, nullptr}, "Card"},  // The Monarch, The Initiative: type line "Card"
    {"tokens", {"token", "double_faced_token"}, "Token"},
    {"emblems", {"emblem", nullptr}, "Emblem"},
    {"dungeons", {"dungeon", nullptr}, "Dungeon"},
};
constexpr const char* DigitalKind = "digital-only cards";

// The layouts whose faces MTGJSON names apart, each printed card by its own face.
constexpr std::string_view MeldLayout = "meld";

// A value quoted in a message: as JSON, cut after this many characters.
constexpr std::size_t ShownLength = 40;

// ---- Reading values. ----

// `value` as a message quotes it: JSON, cut after ShownLength characters.
std::string shown(const json& value) {
    std::string text = value.dump();
    if (text.size() > ShownLength) text = text.substr(0, ShownLength) + "...";
    return text;
}

// "a string", "an object", ... for messages about a value of the wrong type.
std::string kindOf(const json& value) {
    const std::string name = value.type_name();
    return (name[0] == 'a' || name[0] == 'o' ? "an " : "a ") + name;
}

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

// The string at `key`, empty when absent or not a string (for keys that
// only choose what happens, never go in a field).
std::string choiceAt(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
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
        if (!bare) value += '(';
        value += symbol;
        if (!bare) value += ')';
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
    std::size_t number;  // of its first entry over the set files, from 1
    std::string name;    // UTF-8
    const json* card;    // the card object (MTGJSON: its first face's entry)
    SetSource source;
    std::vector<std::pair<std::string, const json*>> faces;  // side and face, in side order
    int versions;  // later versions whose rules text differs from the first's
};

// The key `key` of `object` holds something other than a string.
bool badKey(std::string& error, const std::string& card, const json& object, const char* key) {
    error = card + ", " + key + ": " + kindOf(object[key]) + " where a string belongs";
    return false;
}

// Which kind of thing that is not a card `entry` is, or nullptr for a card.
const char* nonCardKind(const json& entry, SetSource source) {
    const std::string layout = choiceAt(entry, LayoutKey);
    const std::string type = choiceAt(
        entry, source == SetSource::Mtgjson ? FaceRules[TypeRule].mtgjson : FaceRules[TypeRule].scryfall);
    for (const NonCard& nonCard : NonCards) {
        for (const char* known : nonCard.layouts) {
            if (known && layout == known) return nonCard.kind;
        }
        if (nonCard.typeWord && typeLineNames(type, nonCard.typeWord)) return nonCard.kind;
    }
    for (const char* key : DigitalKeys) {
        const auto flag = entry.find(key);
        if (flag != entry.end() && flag->is_boolean() && flag->get<bool>()) return DigitalKind;
    }
    return choiceAt(entry, NameKey).rfind(RebalancedPrefix, 0) == 0 ? DigitalKind : nullptr;
}

// The rules text of an entry and its faces, to tell versions of a name apart.
std::string rulesText(const json& entry, SetSource source) {
    const FaceRule& rule = FaceRules[TextRule];
    if (source == SetSource::Mtgjson) return choiceAt(entry, rule.mtgjson);
    std::string text = choiceAt(entry, rule.scryfall);
    const auto faces = entry.find(ScryfallFacesKey);
    if (faces == entry.end() || !faces->is_array()) return text;
    for (const json& face : *faces) {
        text += '\n';
        if (face.is_object()) text += choiceAt(face, rule.scryfall);
    }
    return text;
}

// A face's own name: MTGJSON's faceName, a Scryfall face's name.
std::string faceNameOf(const json& face, SetSource source) {
    return choiceAt(face, source == SetSource::Mtgjson ? MtgjsonFaceNameKey : NameKey);
}

// Counts of what was left out, by the index of its kind (DigitalKind last).
using LeftOut = std::vector<int>;

// The cards of one set file, one per name, after those of the files before:
// MTGJSON's face entries gathered by the name they share (a meld card's by
// its face), Scryfall's faces taken from each card object; later printings
// of a name add only faces not yet seen.
bool collectCards(const json& list, SetSource source, std::vector<SetCard>& cards,
                  std::unordered_map<std::string, std::size_t>& byName, std::size_t& number, LeftOut& leftOut,
                  std::string& error) {
    for (const json& entry : list) {
        ++number;
        if (!entry.is_object()) {
            error = cardName(number, "") + ": " + kindOf(entry) + " where a card object belongs";
            return false;
        }
        std::string name, side;
        const char* bad = nullptr;
        if (!stringAt(entry, NameKey, name, bad)) return badKey(error, cardName(number, ""), entry, bad);
        if (name.empty()) {
            error = cardName(number, "") + ": no name";
            return false;
        }
        if (source == SetSource::Mtgjson && !stringAt(entry, MtgjsonSideKey, side, bad))
            return badKey(error, cardName(number, name), entry, bad);
        if (const char* kind = nonCardKind(entry, source)) {
            const std::size_t index = std::find_if(std::begin(NonCards), std::end(NonCards),
                                                   [&](const NonCard& n) { return n.kind == kind; }) -
                                      std::begin(NonCards);
            if (side.empty() || side == "a") ++leftOut[index];
            continue;
        }
        if (source == SetSource::Mtgjson && choiceAt(entry, LayoutKey) == MeldLayout) {
            const std::string face = faceNameOf(entry, source);
            if (!face.empty()) name = face;
        }
        const auto [at, fresh] = byName.try_emplace(name, cards.size());
        if (fresh) cards.push_back({number, name, &entry, source, {}, 0});
        SetCard& card = cards[at->second];
        if (source == SetSource::Mtgjson && card.source == source) {
            const auto seen = std::find_if(card.faces.begin(), card.faces.end(),
                                           [&](const auto& face) { return face.first == side; });
            if (seen == card.faces.end()) {
                card.faces.emplace_back(side, &entry);
            } else if (rulesText(*seen->second, source) != rulesText(entry, source)) {
                ++card.versions;
            }
            continue;
        }
        if (!fresh) {
            if (rulesText(*card.card, card.source) != rulesText(entry, source)) ++card.versions;
            continue;
        }
        const auto faces = entry.find(ScryfallFacesKey);
        if (faces == entry.end() || !faces->is_array() || faces->empty()) {
            card.faces.emplace_back("", &entry);
            continue;
        }
        for (const json& face : *faces) {
            if (!face.is_object()) {
                error = cardName(number, name) + ", " + ScryfallFacesKey + ": " + kindOf(face) +
                        " where a face object belongs";
                return false;
            }
            card.faces.emplace_back("", &face);
        }
    }
    return true;
}

// Faces in side order; a card whose faces all carry one name (a reversible
// card) keeps its first face under that name; a name that then occurs twice
// keeps its first card.
void settleFaces(std::vector<SetCard>& cards) {
    std::unordered_map<std::string, std::size_t> byName;
    std::vector<SetCard> settled;
    for (SetCard& card : cards) {
        std::stable_sort(card.faces.begin(), card.faces.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        if (card.faces.size() > 1) {
            const std::string first = faceNameOf(*card.faces[0].second, card.source);
            const bool oneCard =
                !first.empty() && std::all_of(card.faces.begin(), card.faces.end(), [&](const auto& face) {
                    return faceNameOf(*face.second, card.source) == first;
                });
            if (oneCard) {
                card.faces.resize(1);
                card.name = first;
            }
        }
        const auto [at, fresh] = byName.try_emplace(card.name, settled.size());
        if (fresh)
            settled.push_back(std::move(card));
        else
            settled[at->second].versions += 1 + card.versions;
    }
    cards = std::move(settled);
}

// The ANSI code page's form of `utf8` for `field`, as the platform converts it;
// the field's label joins `replaced` when a character did not come through.
std::string ansiFor(CardField field, std::string_view utf8, std::string& replaced) {
    bool exact = true;
    std::string bytes = utf8ToAnsiBestFit(utf8, &exact);
    const std::string label = infoOf(field).label;
    if (!exact && replaced.find(label) == std::string::npos)
        replaced += (replaced.empty() ? "" : ", ") + label;
    return bytes;
}

// The most of `bytes` a field of `width` holds, never ending inside CR LF.
std::string fitted(const std::string& bytes, int width) {
    std::size_t keep = std::min(bytes.size(), static_cast<std::size_t>(width - 1));
    if (keep < bytes.size() && keep > 0 && bytes[keep - 1] == '\r') --keep;
    return bytes.substr(0, keep);
}

// "name: 300 characters, the field holds at most 255", for a note.
std::string tooLong(CardField field, std::size_t size) {
    return std::string(infoOf(field).label) + ": " + tooLongForField(field, size);
}

bool editionOf(const SetCard& card, std::string_view code, std::string& edition, const std::string& where,
               std::string& error) {
    std::string rarity;
    const char* bad = nullptr;
    if (!stringAt(*card.card, RarityKey, rarity, bad)) return badKey(error, where, *card.card, bad);
    for (const Rarity& known : Rarities) {
        if (rarity != known.name) continue;
        edition = std::string(code) + "-" + known.letter;
        return true;
    }
    error = where + ", " + RarityKey + ": " + shown(json(rarity)) + " is none of";
    for (const Rarity& known : Rarities) error += std::string(" ") + known.name;
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
        if (!colours->is_array()) {
            error = where + ", " + ColoursKey + ": " + kindOf(*colours) +
                    " where an array of colour letters (\"W\", \"U\", \"B\", \"R\", \"G\") belongs";
            return false;
        }
        for (const json& letter : *colours) {
            const auto named =
                std::find_if(std::begin(ColourLetters), std::end(ColourLetters),
                             [&](auto known) { return letter == std::string(1, known.letter); });
            if (named == std::end(ColourLetters)) {
                error = where + ", " + ColoursKey + ": " + shown(letter) + " is none of W U B R G";
                return false;
            }
            bits |= named->bit;
        }
    }
    const int count = std::popcount(static_cast<unsigned>(bits));
    if (count > 1) bits |= GoldBit;
    for (const TypeBit& type : TypeBits) {
        const bool named = std::any_of(typeLines.begin(), typeLines.end(), [&](const std::string& line) {
            return typeLineNames(line, type.word);
        });
        if (count == 0 && named) bits |= type.bit;
    }
    return true;
}

// One card's record in the next slot of `table`, values too long put in by
// the fallback (a line in `notes` for each).
bool putCard(const SetCard& card, std::string_view code, CardTable& table, std::vector<std::string>& notes,
             std::string& error) {
    const std::string where = cardName(card.number, card.name);
    CardRecord* const slot = nextFreeSlot(table, where, error);
    if (!slot) return false;
    CardRecord& record = *slot;
    std::string replaced, heads;     // heads: whole values that go at the head of the text
    std::string values[FieldCount];  // in the ANSI code page, by CardField
    values[0] = ansiFor(CardField::Name, card.name, replaced);
    if (values[0].size() >= NameWidth) {
        notes.push_back(where + ", " + tooLong(CardField::Name, values[0].size()) +
                        ": what fits kept, the whole name at the head of the text");
        heads = "Name: " + values[0] + "\r\n";
        values[0] = fitted(values[0], NameWidth);
    }
    if (!editionOf(card, code, values[1], where, error)) return false;
    std::vector<std::string> typeLines;
    for (const FaceRule& rule : FaceRules) {
        const char* key = card.source == SetSource::Mtgjson ? rule.mtgjson : rule.scryfall;
        std::string joined, first, value;
        for (const auto& face : card.faces) {
            const char* bad = nullptr;
            if (!rule.value(*face.second, key, value, bad)) return badKey(error, where, *face.second, bad);
            if (&rule == &FaceRules[TypeRule]) typeLines.push_back(value);
            if (value.empty()) continue;
            if (joined.empty()) first = value;
            joined += (joined.empty() ? "" : rule.join) + value;
        }
        std::string& bytes = values[static_cast<int>(rule.field)];
        bytes = ansiFor(rule.field, joined, replaced);
        const int width = infoOf(rule.field).width;
        if (!rule.label || bytes.size() < static_cast<std::size_t>(width)) continue;
        notes.push_back(where + ", " + tooLong(rule.field, bytes.size()) +
                        ": the first face's kept, the whole " + infoOf(rule.field).label +
                        " at the head of the text");
        heads += std::string(rule.label) + ": " + bytes + "\r\n";
        std::string ignored;
        bytes = fitted(ansiFor(rule.field, first, ignored), width);
    }
    std::string& text = values[static_cast<int>(CardField::Text)];
    std::string& comment = values[static_cast<int>(CardField::Comment)];
    text = heads + text;
    if (text.size() >= TextWidth) {
        notes.push_back(where + ", " + tooLong(CardField::Text, text.size()) +
                        ": what fits kept, the rest at the head of the comment");
        const std::string kept = fitted(text, TextWidth);
        comment = text.substr(kept.size()) + (comment.empty() ? "" : "\r\n//\r\n") + comment;
        text = kept;
    }
    if (comment.size() >= CommentWidth) {
        notes.push_back(where + ", " + tooLong(CardField::Comment, comment.size()) + ": cut there");
        comment = fitted(comment, CommentWidth);
    }
    for (int f = 0; f < FieldCount; ++f) {
        std::string why;
        if (storeFieldText(record, static_cast<CardField>(f), values[f], why)) continue;
        error = where + ", " + infoOf(static_cast<CardField>(f)).label + ": " + why;
        return false;
    }
    ColourBits bits = 0;
    if (!coloursOf(card, typeLines, bits, where, error)) return false;
    record.colours = bits;
    record.active = 1;
    if (!replaced.empty()) notes.push_back(where + ": characters replaced in " + replaced);
    return true;
}

// The array of card objects in a set file, or nullptr after saying why.
const json* cardListOf(const json& root, SetSource source, std::string& error) {
    // MTGJSON's in data.cards, a Scryfall list's in data, a plain array's in itself.
    const json* list = &root;
    if (root.is_object()) {
        const auto data = root.find("data");
        list = data == root.end() ? nullptr : &*data;
    }
    if (list && source == SetSource::Mtgjson) {
        const auto cards = list->find("cards");
        list = cards == list->end() ? nullptr : &*cards;
    }
    if (list && list->is_array()) return list;
    const char* where = source == SetSource::Mtgjson ? "data.cards" : "data";
    error = std::string(where) + ": " + (list ? kindOf(*list) : std::string("nothing")) +
            " where an array of cards belongs";
    return nullptr;
}

// The set's name: MTGJSON's data.name, a Scryfall card's set_name.
std::string setNameOf(const json& root, const json& list, SetSource source) {
    if (source == SetSource::Mtgjson) return choiceAt(root["data"], NameKey);
    return list.empty() || !list[0].is_object() ? std::string() : choiceAt(list[0], ScryfallSetNameKey);
}

// A Scryfall search of one set gives that set's cards. Cards of several sets
// (a bulk array, a search across sets) would all take the one code, so they
// are refused with the way to pick one.
bool oneSet(const json& list, const std::string& setName, std::string& error) {
    for (const json& card : list) {
        const std::string name = card.is_object() ? choiceAt(card, ScryfallSetNameKey) : std::string();
        if (name.empty() || name == setName) continue;
        error = "cards of more than one set (" + shown(json(setName)) + ", " + shown(json(name)) +
                "), whose editions would all take one code: pick one set with --set CODE";
        return false;
    }
    return true;
}

// One line counting what was left out, by kind.
std::string leftOutLine(const LeftOut& leftOut) {
    std::string kinds;
    int total = 0;
    for (std::size_t k = 0; k < leftOut.size(); ++k) {
        if (!leftOut[k]) continue;
        total += leftOut[k];
        kinds += (kinds.empty() ? "" : ", ") + std::to_string(leftOut[k]) + " " +
                 (k < std::size(NonCards) ? NonCards[k].kind : DigitalKind);
    }
    return total ? "left out " + std::to_string(total) + " that are not cards to play: " + kinds : "";
}

}  // namespace

bool setFileReads(std::string_view key) {
    for (const char* read : {NameKey, RarityKey, ColoursKey, LayoutKey, MtgjsonSideKey, MtgjsonFaceNameKey,
                             ScryfallFacesKey, ScryfallSetNameKey}) {
        if (key == read) return true;
    }
    for (const char* read : PtKeys) {
        if (key == read) return true;
    }
    for (const char* read : DigitalKeys) {
        if (key == read) return true;
    }
    for (const FaceRule& rule : FaceRules) {
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

std::string unreadShape(const json& root) {
    const std::string shapes =
        "the shapes read are an MTGJSON set file ({\"data\": {\"cards\": [...]}}), a Scryfall list "
        "({\"object\": \"list\", \"data\": [...]}) or array of cards, a card file, and a dump (an array of "
        "records as cardinfo dump writes them)";
    const std::string object = root.is_object() ? choiceAt(root, "object") : "";
    if (object == "error")
        return "a Scryfall error, " + shown(root.value("details", json())) + ", not cards; " + shapes;
    if (object == "card") return "one Scryfall card: put it in an array ([...]); " + shapes;
    const auto data = root.is_object() ? root.find("data") : root.end();
    // AllPrintings holds set objects (their cards dropped as parsed), AtomicCards each card's faces.
    const bool byKey = data != root.end() && data->is_object() && !data->empty();
    if (byKey && data->begin()->is_object())
        return "an MTGJSON file of every set (AllPrintings): pick one set out of it with --set CODE, or "
               "refresh the cards a database has with merge --existing-only; " +
               shapes;
    if (byKey && data->begin()->is_array())
        return "an MTGJSON file of every card (AtomicCards), without editions: refresh the cards a database "
               "has with merge --existing-only; " +
               shapes;
    return "neither a set file nor a dump: " + shapes;
}

bool setFileCards(const std::vector<SetFileInput>& files, std::string_view code, CardTable& table,
                  SetFileReport& report, std::string& error) {
    std::vector<SetCard> cards;
    std::unordered_map<std::string, std::size_t> byName;
    std::size_t number = 0;
    LeftOut leftOut(std::size(NonCards) + 1, 0);
    for (const SetFileInput& file : files) {
        const json* list = cardListOf(*file.root, file.source, error);
        if (!list) return false;
        if (report.setName.empty()) report.setName = setNameOf(*file.root, *list, file.source);
        if (file.source == SetSource::Scryfall && !oneSet(*list, report.setName, error)) return false;
        if (file.root->is_object() && file.source == SetSource::Scryfall)
            report.morePages = file.root->value("has_more", json()) == true;
        if (!collectCards(*list, file.source, cards, byName, number, leftOut, error)) return false;
    }
    settleFaces(cards);
    for (const SetCard& card : cards) {
        if (!putCard(card, code, table, report.notes, error)) return false;
    }
    for (const SetCard& card : cards) {
        if (card.versions)
            report.notes.push_back(cardName(card.number, card.name) + ": " + std::to_string(card.versions) +
                                   " later versions with other rules text folded into the first");
    }
    const std::string line = leftOutLine(leftOut);
    if (!line.empty()) report.notes.push_back(line);
    return true;
}
