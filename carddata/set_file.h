// A new set's cards from the two public card-data sources: an MTGJSON set
// file ({"data": {"code", "name", "cards": [...]}}, one entry per face of a
// card) and a Scryfall card list (a "list" object whose "data" holds card
// objects, or a plain array of them; a card's faces in "card_faces"). The
// mapping of each field, what is left out and how a value too long for its
// field goes in are in the table at the top of carddata/set_file.cpp.
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

// Why `root` (not a dump and not a set file) is refused: the shapes that
// are read, and for a shape that is known but not read (a whole MTGJSON
// AllPrintings file, one Scryfall card, a Scryfall error) what to do instead.
std::string unreadShape(const nlohmann::json& root);

// One set file of several read as one set (the pages of a Scryfall search).
struct SetFileInput {
    const nlohmann::json* root;
    SetSource source;
};

// What the mapping tells the user besides the cards: one line each on
// stderr (characters replaced, a value put in by the fallback, versions
// folded, what was left out), the set's name as the set file gives it
// (UTF-8), and whether a Scryfall page says more follow.
struct SetFileReport {
    std::vector<std::string> notes;
    std::string setName;
    bool morePages = false;
};

// Fills `table` (empty, its slots zero) from slot 0 with the cards of
// `files`, read as one set, in their order. `code` is the edition's set code,
// in the ANSI code page. Returns false with a reason naming the card (numbered from
// 1 over the files) and the key or field when a value has the wrong type, a
// rarity or colour is unknown, a field holds a NUL, or the set has more than
// 8192 distinct names.
bool setFileCards(const std::vector<SetFileInput>& files, std::string_view code, CardTable& table,
                  SetFileReport& report, std::string& error);
