// `cardinfo merge --existing-only DB IN`: the cards DB already has brought up
// to date (errata, today's wording) from IN, adding none. A card of DB takes
// the type, cost, P/T, rules text and colours of IN's card of its name; its
// name, edition and comment stay, and so does every card IN lacks. Where IN
// holds a name more than once (AllPrintings, a bulk array of every printing),
// the first in IN's order is taken: the sources give every printing of a card
// today's rules text, so the printings agree on what a refresh takes.
//
// IN may be any file cardinfo reads: a card file, a dump, a set file, or a
// bulk file (tools/bulk_file.h) of any size: its cards are mapped batch by
// batch and only the versions of DB's names are kept, never more cards than
// DB holds.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "card/card_table.h"
#include "tools/bulk_file.h"

// Names pair as a merge pairs them: the Windows-1252 name, with Æ and æ read
// as Ae and ae.
std::string refreshKey(std::string_view name);

// IN's version of each of DB's names, by refreshKey.
using CardVersions = std::unordered_map<std::string, CardRecord>;

// Reads `path` (`coreName` as the card core takes it) for the versions of the
// names of `db`. A card of IN the mapping refuses is left out; when DB has its
// name, a line in `warnings` says why. False with a reason that begins with
// `path` when IN cannot be read or is of no shape cardinfo reads.
bool collectVersions(const CardTable& db, const char* path, const std::string& coreName,
                     CardVersions& versions, std::vector<std::string>& warnings, std::string& error,
                     const BulkProgress& progress = {});

struct RefreshCounts {
    int changed = 0;  // cards that came out different
    int missing = 0;  // DB's cards whose name IN lacks
};

void refreshCards(CardTable& db, const CardVersions& versions, RefreshCounts& counts);
