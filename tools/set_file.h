// A new set's cards from the two public card-data sources: an MTGJSON set
// file ({"data": {"code", "name", "cards": [...]}}, one entry per face of a
// card) and a Scryfall card list (a "list" object whose "data" holds card
// objects, or a plain array of them; a card's faces in "card_faces").
//
// The mapping to a card record, the same for both:
//   name     the card's name ("A // B" for a card of several faces)
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
// out the faces without one; its colours are those of all its faces. A name
// the set holds more than once (another printing, a basic land) gives one
// record, from its first printing. Text goes to Windows-1252 as the platform
// converts it, with best-fit letters and '?' for what the code page lacks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "card/card_table.h"

enum class SetSource { None, Mtgjson, Scryfall };

// True when the mapping reads `key` in a card or face object. The keys of a
// set file's objects lie three levels deep or deeper (MTGJSON: data, cards,
// card; Scryfall list: data, card, faces); an import drops every other key
// there as it parses, so that prices, legalities and translations never take
// memory.
bool setFileReads(std::string_view key);

// Which source's shape `root` has, or None for anything else (a dump).
SetSource setSourceOf(const nlohmann::json& root);

// Fills `table` (empty, its slots zero) from slot 0 with the set's cards in
// the order of the set file. `code` is the edition's set code, in
// Windows-1252. For each card whose text needed replacements one line goes
// to `replaced`: 'card 5 "Name": characters replaced in name, text'. Returns
// false with a reason naming the card (numbered from 1 in the set file) and
// the key or field when a value has the wrong type, a rarity or colour is
// unknown, a field is too long or holds a NUL, or the set has more than
// 8192 distinct names.
bool setFileCards(const nlohmann::json& root, SetSource source, std::string_view code, CardTable& table,
                  std::vector<std::string>& replaced, std::string& error);
