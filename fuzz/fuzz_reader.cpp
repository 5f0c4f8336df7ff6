// Fuzz target for the card file reader. Any input must decode or fail cleanly;
// a file that decodes must encode again, and what the encoder writes must be
// a normal file that decodes to the same cards and encodes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "card/card_file.h"
#include "card/card_table.h"
#include "fuzz/fuzz_tables.h"

namespace {

bool notesAreNormal(const FileNotes& notes) {
    return notes.movedBlockOffsets == 0 && notes.nonzeroFourthBytes == 0 && notes.nonzeroReservedBytes == 0 &&
           notes.caretPairs == 0 && notes.truncatedAtZero == 0 && notes.trailingBytes == 0 &&
           notes.unusedBlockBytes == 0;
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
