// What changed between two card tables, as `cardinfo diff` prints it. Cards
// are paired by name: the n-th card of a name in one table with the n-th
// card of that name in the other. A card without a partner is added (only in
// the second table) or removed (only in the first); a pair whose fields or
// colours differ is changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"

// Text in the ANSI code page as the diff and messages show it: UTF-8 in
// double quotes, escaped as a JSON string, so that it stays on one line.
std::string quotedText(std::string_view ansi);

// A card in messages: "card 5", or 'card 5 "Name"' for a UTF-8 name that is
// not empty, the name escaped as a JSON string.
std::string cardName(std::size_t number, std::string_view utf8Name);

// How names are compared when cards are paired: as they are, or with Æ and
// æ as Ae and ae (the spelling the sources use today for the old ligature).
enum class NameFolding { None, Ae };

// A name as a merge and a refresh pair it: the bytes that are Æ and æ in the
// ANSI code page (0xC6 and 0xE6 in Windows-1252, none in Windows-1251) as Ae
// and ae, all others as they are.
std::string foldedName(std::string_view name);

// For each slot of `after`, the active slot of `before` holding the same name
// at the same occurrence, or -1 (also for an inactive slot).
std::vector<int> pairByName(const CardTable& before, const CardTable& after,
                            NameFolding folding = NameFolding::None);

// Which of two cards' fields differ: bit i for CardField i, ColoursChanged
// for the colours.
constexpr unsigned ColoursChanged = 1u << 7;
unsigned changedFields(const CardRecord& a, const CardRecord& b);

enum class ChangeKind { Added, Removed, Changed };

struct CardChange {
    ChangeKind kind;
    int slot;         // in `after`, or in `before` for a removed card
    int partner;      // a changed card's slot in `before`, else -1
    int occurrence;   // the how-manieth card of its name it is, from 1
    unsigned fields;  // a changed card's changedFields
};

// The added cards in the order of `after`, then the removed ones in the order
// of `before`, then the changed ones in the order of `after`. Empty when both
// hold the same cards.
std::vector<CardChange> diffCards(const CardTable& before, const CardTable& after);

// The changes as lines of UTF-8 text: 'added "Name"', 'removed "Name"' and
// 'changed "Name"' ("#2" after the name for its second card, and so on), each
// followed by its fields ("    key: value", values as JSON strings, colours
// by name), for a changed card only those that differ as "old -> new"; then a
// count of each kind. Empty for no changes.
std::string diffAsText(const std::vector<CardChange>& changes, const CardTable& before,
                       const CardTable& after);

// The same as one JSON document: {"added": [card...], "removed": [card...],
// "changed": [{"name", "occurrence", "fields": {key: {"old", "new"}}}]}, where
// a card has the dump's keys but "slot", an "occurrence", and its colours as
// an array of names.
std::string diffAsJson(const std::vector<CardChange>& changes, const CardTable& before,
                       const CardTable& after);
