// Merging the cards of one table into another, as `cardinfo merge` does.
// Cards are paired by name as the diff pairs them (carddata/card_diff.h), with
// Æ and æ read as Ae and ae. A paired card keeps its name's spelling and its
// comment (unless that is empty), takes the incoming card's type, cost, P/T,
// text and colours, and its edition list gains the incoming entries whose
// set code it lacks. An incoming card without a partner is added after the
// cards already there. Every other card stays as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "card/card_table.h"

struct MergeCounts {
    int added = 0;
    int changed = 0;                 // paired cards that came out different
    std::vector<std::string> notes;  // a line each: a pair made by Æ as Ae, a full edition list
};

// An edition list `held` gaining the entries of `incoming` whose set code
// (what comes before the entry's last '-') it lacks. Entries are separated
// by commas, read without the spaces around them. A list that gains an entry
// is written whole, its entries joined by "," alone; one that gains nothing
// comes back as it was.
std::string mergedEdition(std::string_view held, std::string_view incoming);

// Merges the active cards of `in` into `db`. Returns false with a reason
// naming the incoming card (numbered from 1 in the order of `in`, with its
// name) when the result would hold more than MaxCards cards; `db` is then
// partly merged, and must not be saved. An edition list with no room for
// the entries it would gain stays as it was, with a line in `notes`.
bool mergeCards(CardTable& db, const CardTable& in, MergeCounts& counts, std::string& error);
