// Loading the card file into the card table and saving the table back. A
// save never destroys the existing file: the new content goes to a temporary
// file beside the real file (behind any links), which replaces it only once
// it is complete and flushed.
#include <cstdio>
#include <cstring>
#include <new>

#include "card/card_codec.h"
#include "card/file_access.h"
#include "platform/win32.h"

namespace {

// Encodes the table into the open file. The pieces go
// out in order; the index position at the front is written last, once the
// text blocks are measured.
int writeImage(HANDLE file, const CardTable& table, std::vector<EncodedCard>& cards, FileProblem* problem) {
    std::size_t written = 0, imageSize = 0;
    int ok = 0;
    try {
        std::vector<std::uint8_t> buffer;
        buffer.reserve(EncodeChunk + 4096);  // a piece and one more card's block or entry
        auto sink = [&](std::size_t offset, const std::uint8_t* bytes, std::size_t count) {
            if (offset != written && SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
                                         INVALID_SET_FILE_POINTER) {
                setSystemProblem(problem, offset, "writing failed");
                return 0;
            }
            if (!writeAll(file, bytes, count, offset, problem)) return 0;
            if (offset == written) written += count;
            return 1;
        };
        ok = encodeImage(table, cards, buffer, sink, imageSize, problem);
    } catch (const std::bad_alloc&) {
        setProblem(problem, written, "not enough memory to build the card file");
    }
    if (ok && written != imageSize) {
        setProblem(problem, written, "the card file came out %lu bytes long instead of %lu",
                   static_cast<unsigned long>(written), static_cast<unsigned long>(imageSize));
        ok = 0;
    }
    return ok;
}

}  // namespace

int loadCardFile(const char* path, CardTable& table, FileProblem* problem, FileNotes* notes) {
    // The decoder reads the file in pieces as it goes, and only as far as the
    // card file reaches: what follows is bytes after the index.
    std::size_t size = 0;
    HANDLE file = openRegularFile(path, size, problem);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::size_t position = 0;  // the file pointer
    auto source = [&](std::size_t offset, std::uint8_t* into, std::size_t count, FileProblem* failure) {
        LONG high = static_cast<LONG>(static_cast<unsigned long long>(offset) >> 32);
        if (offset != position &&
            SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
                INVALID_SET_FILE_POINTER &&
            GetLastError() != ERROR_SUCCESS) {
            setSystemProblem(failure, offset, "reading failed");
            return 0;
        }
        position = offset;
        std::size_t got = 0;
        if (!readUpTo(file, into, count, offset, got, failure)) return 0;
        position += got;
        if (got < count) {
            setProblem(failure, position, "the file ended at %lu bytes, sooner than its size said",
                       static_cast<unsigned long>(position));
            return 0;
        }
        return 1;
    };
    const int loaded = decodeCardSource(size, source, table, problem, notes);
    CloseHandle(file);  // opened for reading only: nothing is lost if closing fails
    return loaded;
}

int saveCardFile(const char* path, CardTable& table, FileProblem* problem) {
    // The table is checked as it is written: a table that cannot be saved
    // leaves only the temporary file, which goes again.
    std::vector<EncodedCard> cards;
    const auto write = [&](HANDLE file, FileProblem* failure) { return writeImage(file, table, cards, failure); };
    if (!replaceFileWith(path, write, problem)) return 0;
    // Only now, with the new file in place, does memory take on what was written.
    recordBlockOffsets(table, cards);
    convertEncodedCarets(table, cards);
    return 1;
}
