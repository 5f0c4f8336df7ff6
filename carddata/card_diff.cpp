#include "carddata/card_diff.h"

#include <string_view>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

namespace {

using Json = nlohmann::ordered_json;

const char* const KindWords[3] = {"added", "removed", "changed"};  // by ChangeKind

std::string_view textOf(const CardRecord& card, int field) {
    return fieldValue(card, static_cast<CardField>(field));
}

const char* keyOf(int field) {
    return Fields[field].dumpKey;
}

// For each slot, the how-manieth card of its name it is, from 1; 0 for an
// inactive slot.
std::vector<int> occurrences(const CardTable& table) {
    std::unordered_map<std::string_view, int> seen;
    std::vector<int> out(static_cast<std::size_t>(liveSlots(table)), 0);
    for (int s = 0; s < liveSlots(table); ++s) {
        if (table.slots[s].active) out[s] = ++seen[textOf(table.slots[s], 0)];
    }
    return out;
}

Json colourList(int colours) {
    Json names = Json::array();
    for (int bit = 0; bit < ColourCount; ++bit) {
        if (colours & (1 << bit)) names.push_back(ColourNames[bit]);
    }
    return names;
}

std::string colourText(int colours) {
    std::string text;
    for (const auto& name : colourList(colours)) text += (text.empty() ? "" : ", ") + name.get<std::string>();
    return text.empty() ? "none" : text;
}

const CardRecord& cardOf(const CardChange& change, const CardTable& before, const CardTable& after) {
    return (change.kind == ChangeKind::Removed ? before : after).slots[change.slot];
}

// A whole card (added or removed): its fields that are not empty.
std::string cardLines(const CardRecord& card) {
    std::string out;
    for (int f = 1; f < FieldCount; ++f) {
        if (!textOf(card, f).empty())
            out += std::string("    ") + keyOf(f) + ": " + quotedText(textOf(card, f)) + "\n";
    }
    if (card.colours & 0xFF)
        out += std::string("    ") + ColoursDumpKey + ": " + colourText(card.colours) + "\n";
    return out;
}

std::string changeLines(const CardRecord& old, const CardRecord& now, unsigned fields) {
    std::string out;
    for (int f = 1; f < FieldCount; ++f) {
        if (fields & (1u << f))
            out += std::string("    ") + keyOf(f) + ": " + quotedText(textOf(old, f)) + " -> " +
                   quotedText(textOf(now, f)) + "\n";
    }
    if (fields & ColoursChanged)
        out += std::string("    ") + ColoursDumpKey + ": " + colourText(old.colours) + " -> " +
               colourText(now.colours) + "\n";
    return out;
}

Json cardJson(const CardRecord& card, int occurrence) {
    Json object;
    object[keyOf(0)] = ansiToUtf8(textOf(card, 0));
    object["occurrence"] = occurrence;
    for (int f = 1; f < FieldCount; ++f) object[keyOf(f)] = ansiToUtf8(textOf(card, f));
    object[ColoursDumpKey] = colourList(card.colours);
    return object;
}

Json changeJson(const CardRecord& old, const CardRecord& now, const CardChange& change) {
    Json object;
    object[keyOf(0)] = ansiToUtf8(textOf(now, 0));
    object["occurrence"] = change.occurrence;
    Json& fields = object["fields"] = Json::object();
    for (int f = 1; f < FieldCount; ++f) {
        if (change.fields & (1u << f))
            fields[keyOf(f)] = {{"old", ansiToUtf8(textOf(old, f))}, {"new", ansiToUtf8(textOf(now, f))}};
    }
    if (change.fields & ColoursChanged)
        fields[ColoursDumpKey] = {{"old", colourList(old.colours)}, {"new", colourList(now.colours)}};
    return object;
}

}  // namespace

std::string quotedText(std::string_view ansi) {
    return Json(ansiToUtf8(ansi)).dump();
}

std::string cardName(std::size_t number, std::string_view utf8Name) {
    std::string shown = "card " + std::to_string(number);
    if (!utf8Name.empty()) shown.append(" ").append(Json(utf8Name).dump());
    return shown;
}

std::string foldedName(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t codePoint = byte < 0x80 ? byte : ansiCodePoint(byte);
        if (codePoint == U'\u00C6')
            key += "Ae";
        else if (codePoint == U'\u00E6')
            key += "ae";
        else
            key += c;
    }
    return key;
}

std::vector<int> pairByName(const CardTable& before, const CardTable& after, NameFolding folding) {
    // Each name's slots in `after` as a chain: `head` holds its next unpaired
    // slot, `next` the one after each slot. Chaining `after` and walking
    // `before` hashes the names of a small incoming table only.
    const auto pairingKey = [folding](std::string_view name) {
        return folding == NameFolding::Ae ? foldedName(name) : std::string(name);
    };
    const int afterCount = liveSlots(after);
    std::vector<int> next(static_cast<std::size_t>(afterCount), -1);
    std::unordered_map<std::string, int> head;
    head.reserve(static_cast<std::size_t>(afterCount));
    for (int s = afterCount - 1; s >= 0; --s) {
        if (!after.slots[s].active) continue;
        const auto at = head.try_emplace(pairingKey(textOf(after.slots[s], 0)), -1).first;
        next[s] = at->second;
        at->second = s;
    }
    std::vector<int> partner(static_cast<std::size_t>(afterCount), -1);
    for (int s = 0; s < liveSlots(before) && !head.empty(); ++s) {
        if (!before.slots[s].active) continue;
        const auto at = head.find(pairingKey(textOf(before.slots[s], 0)));
        if (at == head.end() || at->second < 0) continue;
        partner[at->second] = s;
        at->second = next[at->second];
    }
    return partner;
}

unsigned changedFields(const CardRecord& a, const CardRecord& b) {
    unsigned fields = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (textOf(a, f) != textOf(b, f)) fields |= 1u << f;
    }
    if ((a.colours ^ b.colours) & 0xFF) fields |= ColoursChanged;
    return fields;
}

std::vector<CardChange> diffCards(const CardTable& before, const CardTable& after) {
    const std::vector<int> partner = pairByName(before, after);
    const std::vector<int> beforeSeen = occurrences(before), afterSeen = occurrences(after);
    std::vector<bool> paired(beforeSeen.size(), false);
    std::vector<CardChange> added, removed, changed;
    for (int s = 0; s < liveSlots(after); ++s) {
        if (!after.slots[s].active) continue;
        const int p = partner[s];
        if (p < 0) {
            added.push_back({ChangeKind::Added, s, -1, afterSeen[s], 0});
            continue;
        }
        paired[p] = true;
        const unsigned fields = changedFields(before.slots[p], after.slots[s]);
        if (fields) changed.push_back({ChangeKind::Changed, s, p, afterSeen[s], fields});
    }
    for (int s = 0; s < liveSlots(before); ++s) {
        if (before.slots[s].active && !paired[s])
            removed.push_back({ChangeKind::Removed, s, -1, beforeSeen[s], 0});
    }
    added.insert(added.end(), removed.begin(), removed.end());
    added.insert(added.end(), changed.begin(), changed.end());
    return added;
}

std::string diffAsText(const std::vector<CardChange>& changes, const CardTable& before,
                       const CardTable& after) {
    std::string out;
    int counts[3] = {};
    for (const CardChange& change : changes) {
        const int kind = static_cast<int>(change.kind);
        const CardRecord& card = cardOf(change, before, after);
        ++counts[kind];
        out += std::string(KindWords[kind]) + " " + quotedText(textOf(card, 0)) +
               (change.occurrence > 1 ? " #" + std::to_string(change.occurrence) : "") + "\n";
        out += change.kind == ChangeKind::Changed
                   ? changeLines(before.slots[change.partner], card, change.fields)
                   : cardLines(card);
    }
    if (changes.empty()) return out;
    for (int kind = 0; kind < 3; ++kind)
        out += std::to_string(counts[kind]) + " " + KindWords[kind] + (kind < 2 ? ", " : "\n");
    return out;
}

std::string diffAsJson(const std::vector<CardChange>& changes, const CardTable& before,
                       const CardTable& after) {
    Json document = Json::object();
    for (const char* kind : KindWords) document[kind] = Json::array();
    for (const CardChange& change : changes) {
        const CardRecord& card = cardOf(change, before, after);
        Json& list = document[KindWords[static_cast<int>(change.kind)]];
        list.push_back(change.kind == ChangeKind::Changed
                           ? changeJson(before.slots[change.partner], card, change)
                           : cardJson(card, change.occurrence));
    }
    return document.dump(2) + "\n";
}
