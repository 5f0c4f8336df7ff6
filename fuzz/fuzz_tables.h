// Shared by the fuzz targets: two card tables kept for the whole run, the
// comparison of two tables' cards, and the check that stops the run.
#pragma once

#include <cstdlib>
#include <cstring>

#include "card/card_table.h"

// Allocating and clearing 25 MB per input would dominate the run.
inline CardTable& firstTable() {
    static CardTable* table = new CardTable();
    return *table;
}

inline CardTable& secondTable() {
    static CardTable* table = new CardTable();
    return *table;
}

inline bool sameCards(const CardTable& a, const CardTable& b) {
    if (a.slotCount != b.slotCount) return false;
    for (int i = 0; i < a.slotCount; ++i) {
        const CardRecord& x = a.slots[i];
        const CardRecord& y = b.slots[i];
        const bool same = !std::strcmp(x.name, y.name) && !std::strcmp(x.edition, y.edition) &&
                          !std::strcmp(x.type, y.type) && !std::strcmp(x.cost, y.cost) &&
                          !std::strcmp(x.pt, y.pt) && !std::strcmp(x.text, y.text) &&
                          !std::strcmp(x.comment, y.comment) && x.colours == y.colours && x.active &&
                          y.active;
        if (!same) return false;
    }
    return true;
}

inline void check(bool condition) {
    if (!condition) std::abort();
}
