// The card-data sources' bulk files, read at the speed of reading the file:
// MTGJSON's AllPrintings ({"meta", "data": {"CODE": {set object}}}) and
// AtomicCards ({"meta", "data": {"Card Name": [faces...]}}), Scryfall's bulk
// arrays (default-cards, oracle-cards: [card objects, each with its "set"]),
// and the set files of carddata/set_file.h.
//
// The file streams through in chunks. A scanner finds the extent of every
// value, strings by memchr; only the cards wanted, and in them only the keys
// the set-file mapping reads (setFileReads) and those that name the card's set,
// are copied out, as the text of a set file. That text then goes through the
// one mapping as a set file's does. The parts skipped are scanned for their
// structure only, not checked as JSON.
//
// The shape is told by the first values: a top-level array, or a "data" array,
// of card objects ("object": "card") is Scryfall's; a "data" object whose
// first member is a string or number (or "cards") is an MTGJSON set file, an
// object is AllPrintings, an array AtomicCards. A top-level array of anything
// else is a dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"
#include "carddata/card_import.h"
#include "carddata/card_input.h"

enum class BulkShape { None, Dump, MtgjsonSet, AllPrintings, AtomicCards, ScryfallList, ScryfallArray };

// Cards as a set file's text: `head`, the groups joined by commas, `tail`.
// A group is one Scryfall card object, or MTGJSON's entries of one name (the
// faces of one card) joined by commas.
struct BulkBatch {
    std::string head;
    std::vector<std::string> groups;
    std::vector<std::string> names;  // each group's "name", as its raw JSON string
    std::string tail;
    std::string text() const;                        // the whole set file
    std::string groupText(std::size_t group) const;  // a set file of that group alone
};

// Gives up to `room` bytes of input at `into`: `got` 0 at the end. False
// with the reason in `error` when the input cannot be read.
using BulkReader = std::function<bool(char* into, std::size_t room, std::size_t& got, std::string& error)>;

// Takes each batch; false (with `error`) stops the reading.
using BulkSink = std::function<bool(const BulkBatch& batch, std::string& error)>;

// What to take out of a bulk file. With a `set` (an MTGJSON or Scryfall set
// code, in any case), that set's cards in one batch: the set object of
// AllPrintings or of a set file with that code (its members that are strings,
// numbers or booleans, and its cards), or the cards of a Scryfall list or
// array whose "set" is that code. Without one, every card, in batches of at
// most BulkBatchCards cards that never split a card's faces: AllPrintings
// batch by set, AtomicCards' faces get "rarity": "common" (a card's rarity
// belongs to a printing; a refresh keeps the database's editions).
// With `names`, a card (or face) whose "name", as its raw JSON string,
// `names` refuses is skipped from there on, as fast as a part not read.
struct BulkWant {
    std::string_view set;
    std::function<bool(const std::string& rawName)> names;
};
constexpr std::size_t BulkBatchCards = 1024;

// Reads `reader` through; `shape` says what it was. A file of another shape
// (None or Dump) gives no batch and no error. False with a reason (naming the
// byte where the text is not JSON) when the input fails, the sink refuses, or
// a set was wanted and the file holds no such set.
bool readBulk(const BulkReader& reader, const BulkWant& want, const BulkSink& sink, BulkShape& shape,
              std::string& error);

// readBulk over the regular file `coreName` (named as the card core takes it),
// in chunks; no limit on its size.
bool readBulkFile(const std::string& coreName, const BulkWant& want, const BulkSink& sink, BulkShape& shape,
                  std::string& error, const BulkProgress& progress = {});
