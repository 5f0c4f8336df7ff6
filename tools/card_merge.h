// Merging the cards of one table into another, as `cardinfo merge` does.
// Cards are paired by name as the diff pairs them (tools/card_diff.h). A
// paired card takes the incoming card's fields and colours, except its
// edition: that keeps its own entries and gains the incoming ones it lacks.
// An incoming card without a partner is added after the cards already there.
// Every other card stays as it is.
#pragma once

#include <string>
#include <string_view>

#include "card/card_table.h"

struct MergeCounts {
    int added = 0;
    int changed = 0;  // paired cards that came out different
};

// An edition list `held` gaining the entries of `incoming` it lacks. Entries
// are separated by commas and compared without the spaces around them; a
// gained entry follows ", " at the end, in the order of `incoming`. When it
// gains nothing, `held` comes back as it was.
std::string mergedEdition(std::string_view held, std::string_view incoming);

// Merges the active cards of `in` into `db`. Returns false with a reason
// naming the incoming card (numbered from 1 in the order of `in`, with its
// name) and the field when the result would hold more than MaxCards cards or
// a merged edition does not fit its field; `db` is then partly merged, and
// must not be saved.
bool mergeCards(CardTable& db, const CardTable& in, MergeCounts& counts, std::string& error);
