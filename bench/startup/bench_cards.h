// A full card database for the start-up benchmarks: 8192 invented cards with
// names, editions, types, costs and texts of the lengths real cards have, in
// a shuffled order so that the sorted card list inserts all over the list.
#pragma once

#include <string>

#include "card/card_table.h"

// Fills `table` with `count` (at most MaxCards) distinct cards; the same
// count always gives the same cards.
void buildBenchCards(CardTable& table, int count);

// Writes a card file of `count` cards to `path` with the card core's saver.
// Returns an empty string, or why the file could not be written.
std::string writeBenchCardFile(const std::string& path, int count);
