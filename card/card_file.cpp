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

// Encodes the table into the open file, flushes and closes it. The pieces go
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
    if (ok && !FlushFileBuffers(file)) {
        setSystemProblem(problem, written, "flushing the new file failed");
        ok = 0;
    }
    if (!CloseHandle(file) && ok) {
        setSystemProblem(problem, written, "closing the new file failed");
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
    if (strnlen(path, MAX_PATH) >= MAX_PATH) {
        setProblem(problem, 0, "the path is longer than %d characters", MAX_PATH - 1);
        return 0;
    }
    SaveTarget target;
    if (!findSaveTarget(path, target, problem)) return 0;
    // Beside an existing file the new one stays private and hidden until it
    // takes the old one's place, permissions and attributes; a new file is
    // made as any new file is.
    char tempPath[MAX_PATH];
    DWORD attributes =
        target.exists ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    HANDLE file = createTempBeside(target.path, attributes, tempPath, problem);
    // The table is checked as it is written: a table that cannot be saved
    // leaves only the temporary file, which goes again.
    std::vector<EncodedCard> cards;
    bool keepTemp = false;
    int ok = file != INVALID_HANDLE_VALUE && writeImage(file, table, cards, problem) &&
             replaceTarget(tempPath, target, keepTemp, problem);
    if (!ok) {
        if (file != INVALID_HANDLE_VALUE && !keepTemp)
            removeMadeFile(tempPath, "the temporary file", problem);
        if (target.placeholder && !keepTemp) removeMadeFile(target.path, "the empty file", problem);
        return 0;
    }
    // Only now, with the new file in place, does memory take on what was written.
    recordBlockOffsets(table, cards);
    convertEncodedCarets(table, cards);
    return 1;
}
