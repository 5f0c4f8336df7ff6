// Fuzz target for `cardinfo import`: the first byte picks JSON or CSV, the
// rest is the text. Any text must import or fail with a one-line reason; what
// imports must dump and import again to the same cards, and must encode.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_file.h"
#include "card/card_table.h"
#include "tools/card_dump.h"
#include "tools/card_import.h"

namespace {

// Two tables for the whole run: allocating 25 MB per input would dominate.
CardTable& firstTable() {
    static CardTable* table = new CardTable();
    return *table;
}

CardTable& secondTable() {
    static CardTable* table = new CardTable();
    return *table;
}

bool sameCards(const CardTable& a, const CardTable& b) {
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

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const ImportFormat format = (data[0] & 1) ? ImportFormat::Csv : ImportFormat::Json;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    CardTable& table = firstTable();
    std::string error;
    if (!importCards(text, format, table, error)) {
        check(!error.empty() && error.find_first_of("\r\n") == std::string::npos);
        return 0;
    }
    check(error.empty());
    check(table.slotCount >= 0 && table.slotCount <= MaxCards);
    for (int slot = 0; slot < table.slotCount; ++slot)
        check(table.slots[slot].colours >= 0 && table.slots[slot].colours <= 255);

    const std::string dumped = format == ImportFormat::Csv ? cardsAsCsv(table) : cardsAsJson(table);
    CardTable& again = secondTable();
    check(importCards(dumped, format, again, error));
    check(sameCards(table, again));

    std::vector<std::uint8_t> bytes;
    FileProblem problem;
    check(encodeCards(table, bytes, &problem) == 1);
    return 0;
}
