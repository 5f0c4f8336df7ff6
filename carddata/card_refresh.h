// `cardinfo merge --existing-only DB IN`: the cards DB already has brought up
// to date (errata, today's wording) from IN, adding none. Names pair as a
// merge pairs them (foldedName, carddata/card_diff.h). A card of DB takes
// the type, cost, P/T, rules text and colours of IN's card of its name; its
// name, edition and comment stay, and so does every card IN lacks. Where IN
// holds a name more than once (AllPrintings, a bulk array of every printing),
// the first in IN's order is taken: the sources give every printing of a card
// today's rules text, so the printings agree on what a refresh takes.
//
// IN may be any file cardinfo reads: a card file, a dump, a set file, or a
// bulk file (carddata/bulk_file.h) of any size. Only its cards whose name, or
// whose front face's name, DB holds are mapped, batch by batch, and each goes
// straight into DB's cards of that name: IN's cards are never held in a card
// table of their own, so a file of any number of cards refreshes a full DB.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"
#include "carddata/bulk_file.h"

struct RefreshCounts {
    int matched = 0;  // names of DB found in IN
    int changed = 0;  // cards that came out different
    int missing = 0;  // DB's cards whose name IN lacks
};

// Refreshes the active cards of `db` from the file `path` (`coreName` as the
// card core takes it). A card of IN the mapping refuses is left out, and a
// line in `warnings` says why. False with a reason that begins with `path`
// when IN cannot be read or is of no shape cardinfo reads; `db` is then
// partly refreshed, and must not be saved.
bool refreshCards(CardTable& db, const char* path, const std::string& coreName, RefreshCounts& counts,
                  std::vector<std::string>& warnings, std::string& error, const BulkProgress& progress = {});
