// Loading the card file into the card table and saving the table back. A
// save never destroys the existing file: the new content goes to a temporary
// file beside it, which replaces the old file only once it is complete and
// flushed.
#include <cstdio>
#include <cstring>
#include <new>

#include "card/card_codec.h"
#include "platform/win32.h"

namespace {

constexpr DWORD IoChunk = 1 << 20;     // bytes per ReadFile/WriteFile call
constexpr int TempAttempts = 16;       // names tried for the temporary file
constexpr int ReplaceAttempts = 10;    // tries to move it over a busy target
constexpr DWORD ReplacePauseMs = 100;  // pause between those tries

struct ErrorName {
    DWORD code;
    const char* text;
};

const ErrorName errorNames[] = {
    {ERROR_FILE_NOT_FOUND, "file not found"},
    {ERROR_PATH_NOT_FOUND, "folder not found"},
    {ERROR_ACCESS_DENIED, "access denied"},
    {ERROR_SHARING_VIOLATION, "in use by another program"},
    {ERROR_LOCK_VIOLATION, "locked by another program"},
    {ERROR_DISK_FULL, "disk full"},
    {ERROR_FILENAME_EXCED_RANGE, "name too long"},
    {ERROR_NOT_ENOUGH_MEMORY, "not enough memory"},
};

const char* errorText(DWORD code) {
    for (const ErrorName& name : errorNames) {
        if (name.code == code) return name.text;
    }
    return "system error";
}

void setSystemProblem(FileProblem* problem, std::size_t offset, const char* action) {
    DWORD code = GetLastError();
    setProblem(problem, offset, "%s: %s (error %lu)", action, errorText(code),
               static_cast<unsigned long>(code));
}

bool isBusyError(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION;
}

// Reads up to `limit` bytes of the open file into `image`, every count checked.
int readImage(HANDLE file, std::vector<std::uint8_t>& image, std::size_t limit, FileProblem* problem) {
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        setSystemProblem(problem, 0, "cannot get the size of the file");
        return 0;
    }
    unsigned long long fileSize = (static_cast<unsigned long long>(high) << 32) | low;
    std::size_t wanted = fileSize < limit ? static_cast<std::size_t>(fileSize) : limit;
    try {
        image.resize(wanted);
    } catch (const std::bad_alloc&) {
        setProblem(problem, 0, "not enough memory to read a file of %llu bytes", fileSize);
        return 0;
    }
    std::size_t got = 0;
    while (got < wanted) {
        DWORD count = wanted - got < IoChunk ? static_cast<DWORD>(wanted - got) : IoChunk;
        DWORD read = 0;
        if (!ReadFile(file, image.data() + got, count, &read, nullptr)) {
            setSystemProblem(problem, got, "reading failed");
            return 0;
        }
        if (read == 0 || read > count) break;  // the file ended sooner than its size said
        got += read;
    }
    image.resize(got);
    return 1;
}

// Writes `count` bytes that belong at file offset `offset`; a short count is
// a failure.
int writeBytes(HANDLE file, const std::uint8_t* bytes, std::size_t count, std::size_t offset,
               FileProblem* problem) {
    std::size_t done = 0;
    while (done < count) {
        DWORD part = count - done < IoChunk ? static_cast<DWORD>(count - done) : IoChunk;
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, part, &written, nullptr)) {
            setSystemProblem(problem, offset + done + (written <= part ? written : 0), "writing failed");
            return 0;
        }
        if (written != part) {
            setProblem(problem, offset + done + written, "writing failed: %lu of %lu bytes written",
                       static_cast<unsigned long>(written), static_cast<unsigned long>(part));
            return 0;
        }
        done += written;
    }
    return 1;
}

// Length of the folder part of `path`, separator included.
std::size_t folderLength(const char* path) {
    std::size_t length = 0;
    for (std::size_t i = 0; path[i]; ++i) {
        if (path[i] == '/' || path[i] == '\\' || (i == 1 && path[i] == ':')) length = i + 1;
    }
    return length;
}

// Creates a new, exclusively opened temporary file in the folder of `path`
// and leaves its name in `tempPath`.
HANDLE createTempBeside(const char* path, char (&tempPath)[MAX_PATH], FileProblem* problem) {
    static unsigned sequence = 0;
    std::size_t folder = folderLength(path);
    const std::size_t nameLength = 11;  // "~cl" + 4 hex digits + ".tmp"
    if (folder + nameLength >= sizeof tempPath) {
        setProblem(problem, 0, "the folder name is too long for a temporary file beside the card file");
        return INVALID_HANDLE_VALUE;
    }
    for (int attempt = 0; attempt < TempAttempts; ++attempt) {
        unsigned tag = (GetCurrentThreadId() * 2654435761u + (sequence++) * 40503u) & 0xFFFF;
        std::memcpy(tempPath, path, folder);
        std::snprintf(tempPath + folder, sizeof tempPath - folder, "~cl%04X.tmp", tag);
        HANDLE file =
            CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
    }
    setSystemProblem(problem, 0, "cannot create a temporary file beside the card file");
    return INVALID_HANDLE_VALUE;
}

// Moves the finished temporary file over the target, waiting briefly while
// another program holds the target open.
int replaceTarget(const char* tempPath, const char* path, FileProblem* problem) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
        if (attempt + 1 >= ReplaceAttempts || !isBusyError(GetLastError())) break;
        Sleep(ReplacePauseMs);
    }
    setSystemProblem(problem, 0, "cannot replace the card file");
    return 0;
}

}  // namespace

int loadCardFile(const char* path, CardTable& table, FileProblem* problem) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        setSystemProblem(problem, 0, "cannot open the card file");
        return 0;
    }
    std::vector<std::uint8_t> image;
    int ok = readImage(file, image, MaxCardFileSize, problem);
    CloseHandle(file);  // opened for reading only: nothing is lost if closing fails
    return ok && decodeCards(image.data(), image.size(), table, problem);
}

int saveCardFile(const char* path, CardTable& table, FileProblem* problem) {
    if (strnlen(path, MAX_PATH) >= MAX_PATH) {
        setProblem(problem, 0, "the path is longer than %d characters", MAX_PATH - 1);
        return 0;
    }
    // A file marked read-only is not replaced: the user protected it.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        setProblem(problem, 0, "the card file is marked read-only");
        return 0;
    }
    std::vector<EncodedCard> cards;
    std::size_t imageSize = 0;
    try {
        if (!measureCards(table, cards, imageSize, problem)) return 0;
    } catch (const std::bad_alloc&) {
        setProblem(problem, 0, "not enough memory to build the card file");
        return 0;
    }
    char tempPath[MAX_PATH];
    HANDLE file = createTempBeside(path, tempPath, problem);
    if (file == INVALID_HANDLE_VALUE) return 0;

    // The image goes out in pieces as it is encoded: one buffer, each write checked.
    std::size_t written = 0;
    int ok = 0;
    try {
        std::vector<std::uint8_t> buffer;
        buffer.reserve(EncodeChunk + 4096);  // a piece and one more card's block or entry
        ok = encodeImage(table, cards, buffer, [&](const std::uint8_t* bytes, std::size_t count) {
            if (!writeBytes(file, bytes, count, written, problem)) return 0;
            written += count;
            return 1;
        });
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
    if (ok) ok = replaceTarget(tempPath, path, problem);
    if (!ok) {
        DeleteFileA(tempPath);
        return 0;
    }
    // Only now, with the new file in place, does memory take on what was written.
    recordBlockOffsets(table, cards);
    convertEncodedCarets(table, cards);
    return 1;
}
