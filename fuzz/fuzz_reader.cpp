// Fuzz target for the card file reader. Any input must decode or fail cleanly;
// a file that decodes must encode again, and what the encoder writes must be
// a normal file that decodes to the same cards and encodes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "card/card_file.h"
#include "card/card_table.h"

namespace {

// Two tables for the whole run: clearing 25 MB per input would dominate.
CardTable& firstTable() {
    static CardTable* table = new CardTable();
    return *table;
}

CardTable& secondTable() {
    static CardTable* table = new CardTable();
    return *table;
}

bool notesAreNormal(const FileNotes& notes) {
    return notes.movedBlockOffsets == 0 && notes.nonzeroFourthBytes == 0 && notes.nonzeroReservedBytes == 0 &&
           notes.caretPairs == 0 && notes.truncatedAtZero == 0 && notes.trailingBytes == 0 &&
           notes.unusedBlockBytes == 0;
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
    CardTable& table = firstTable();
    FileProblem problem;
    FileNotes notes;
    const int previousCount = table.slotCount;
    if (!decodeCards(data, size, table, &problem, &notes)) {
        check(table.slotCount == previousCount);
        check(problem.offset <= size);
        check(problem.what[sizeof problem.what - 1] == '\0' && problem.what[0] != '\0');
        return 0;
    }
    check(table.slotCount >= 0 && table.slotCount <= MaxCards);

    // A file that loaded holds cards that fit the format, so it must save.
    // The encoder writes "^^" as CR LF without touching the fields; the
    // comparison below is with the fields as a save leaves them.
    std::vector<std::uint8_t> written;
    check(encodeCards(table, written, &problem) == 1);
    convertLineBreaks(table);
    CardTable& again = secondTable();
    FileNotes againNotes;
    check(decodeCards(written.data(), written.size(), again, &problem, &againNotes) == 1);
    check(notesAreNormal(againNotes));
    check(sameCards(table, again));
    std::vector<std::uint8_t> rewritten;
    check(encodeCards(again, rewritten, &problem) == 1);
    check(rewritten == written);
    return 0;
}
