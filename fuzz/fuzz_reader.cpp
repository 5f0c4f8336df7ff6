// Fuzz target for the card file loader, the one the editor and cardinfo use.
// Any input must load or fail cleanly; a file that loads must encode again,
// and what the encoder writes must be a normal file that loads to the same
// cards and encodes to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "fuzz/fuzz_tables.h"

namespace {

bool notesAreNormal(const FileNotes& notes) {
    return notes.movedBlockOffsets == 0 && notes.nonzeroFourthBytes == 0 && notes.nonzeroReservedBytes == 0 &&
           notes.caretPairs == 0 && notes.truncatedAtZero == 0 && notes.trailingBytes == 0 &&
           notes.unusedBlockBytes == 0;
}

// The file every input is written to before it is loaded: one per process,
// under a random name, removed when the process ends.
class InputFile {
  public:
    InputFile()
        : path_((std::filesystem::temp_directory_path() /
                 ("cardloom-fuzz-" + std::to_string(std::random_device{}()) + ".dat"))
                    .string()) {}
    ~InputFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    // Writes `bytes` as the whole file and loads it.
    int load(const std::uint8_t* bytes, std::size_t size, CardTable& table, FileProblem& problem,
             FileNotes& notes) const {
        std::FILE* out = std::fopen(path_.c_str(), "wb");
        check(out != nullptr);
        check(size == 0 || std::fwrite(bytes, 1, size, out) == size);
        check(std::fclose(out) == 0);
        return loadCardFile(path_.c_str(), table, &problem, &notes);
    }

  private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InputFile input;
    CardTable& table = firstTable();
    FileProblem problem;
    FileNotes notes;
    const int previousCount = table.slotCount;
    if (!input.load(data, size, table, problem, notes)) {
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
    check(input.load(written.data(), written.size(), again, problem, againNotes) == 1);
    check(notesAreNormal(againNotes));
    check(sameCards(table, again));
    std::vector<std::uint8_t> rewritten;
    check(encodeCards(again, rewritten, &problem) == 1);
    check(rewritten == written);
    return 0;
}
