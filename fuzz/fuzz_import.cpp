// Fuzz target for `cardinfo import`: the first byte picks JSON or CSV (bit 0)
// and whether a set code comes with it, as set files need (bit 1); the rest
// is the text. Any text must import or fail with a one-line reason; what
// imports must dump and import again to the same cards, and must encode.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "carddata/card_dump.h"
#include "carddata/card_import.h"
#include "fuzz/fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const ImportFormat format = (data[0] & 1) ? ImportFormat::Csv : ImportFormat::Json;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    CardTable& table = firstTable();
    const std::string_view setCode = (data[0] & 2) ? "XX" : "";
    std::string error;
    if (!importCards(text, format, table, error, setCode)) {
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
