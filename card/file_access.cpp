#include "card/file_access.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <random>

#include "card/card_codec.h"

namespace {

constexpr DWORD IoChunk = 1 << 20;     // bytes per ReadFile or WriteFile call
constexpr int TempAttempts = 16;       // random names tried for the temporary file
constexpr int ReplaceAttempts = 10;    // tries to replace a busy target
constexpr DWORD ReplacePauseMs = 100;  // pause between those tries
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

struct ErrorName {
    DWORD code;
    const char* text;
};

const ErrorName ErrorNames[] = {
    {ERROR_FILE_NOT_FOUND, "file not found"},
    {ERROR_PATH_NOT_FOUND, "folder not found"},
    {ERROR_ACCESS_DENIED, "access denied"},
    {ERROR_SHARING_VIOLATION, "in use by another program"},
    {ERROR_LOCK_VIOLATION, "locked by another program"},
    {ERROR_FILE_EXISTS, "a file of that name exists"},
    {ERROR_ALREADY_EXISTS, "a file of that name exists"},
    {ERROR_DISK_FULL, "disk full"},
    {ERROR_FILENAME_EXCED_RANGE, "name too long"},
    {ERROR_NOT_ENOUGH_MEMORY, "not enough memory"},
    {ERROR_NO_UNICODE_TRANSLATION, "the name has a character outside the code page"},
    {ERROR_UNABLE_TO_REMOVE_REPLACED, "in use by another program or protected"},
    {ERROR_UNABLE_TO_MOVE_REPLACEMENT, "the new file could not take its name"},
    {ERROR_INVALID_OWNER, "it belongs to another user or group, which a new file could not keep"},
};

const char* errorText(DWORD code) {
    for (const ErrorName& name : ErrorNames) {
        if (name.code == code) return name.text;
    }
    return "system error";
}

bool isBusyError(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Length of the folder part of `path`, separator included.
std::size_t folderLength(const char* path) {
    std::size_t length = 0;
    for (std::size_t i = 0; path[i]; ++i) {
        if (path[i] == '/' || path[i] == '\\' || (i == 1 && path[i] == ':')) length = i + 1;
    }
    return length;
}

// The final name of an open file as a plain path: Windows gives it as
// \\?\C:\... or \\?\UNC\server\share\..., which other calls take as well
// without the prefix.
int finalPath(HANDLE file, char (&path)[MAX_PATH], FileProblem* problem) {
    char name[MAX_PATH + 8] = {};
    DWORD length = GetFinalPathNameByHandleA(file, name, sizeof name, FILE_NAME_NORMALIZED);
    if (length == 0) {
        setSystemProblem(problem, 0, "cannot find where the card file really lives");
        return 0;
    }
    // Only a name that is there whole counts: some versions return the size
    // needed without its terminator when the buffer is too small.
    bool whole = length < sizeof name && strnlen(name, sizeof name) == length;
    const char* plain = name;
    if (whole && std::strncmp(name, "\\\\?\\UNC\\", 8) == 0) {
        plain = name + 6;
        name[6] = '\\';
    } else if (whole && std::strncmp(name, "\\\\?\\", 4) == 0) {
        plain = name + 4;
    }
    if (!whole || !copyField(path, MAX_PATH, plain)) {
        setProblem(problem, 0, "the card file really lives under a path longer than %d characters",
                   MAX_PATH - 1);
        return 0;
    }
    return 1;
}

// Checks what kind of file an open handle is and where it lives.
int describeTarget(HANDLE file, SaveTarget& target, FileProblem* problem) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        setProblem(problem, 0,
                   "the card file is not a plain file (a device, pipe or socket), so it is not replaced");
        return 0;
    }
    if (!GetFileInformationByHandle(file, &info)) {
        setSystemProblem(problem, 0, "cannot examine the card file");
        return 0;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        setProblem(problem, 0, "the card file's name is that of a folder");
        return 0;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        setProblem(problem, 0, "the card file is marked read-only");
        return 0;
    }
    target.attributes = info.dwFileAttributes & KeptAttributes;
    if (info.nNumberOfLinks > 1) {
        setProblem(
            problem, 0,
            "the card file has %lu names (hard links); saving would leave the other names with the old "
            "cards, so it is not saved",
            static_cast<unsigned long>(info.nNumberOfLinks));
        return 0;
    }
    return finalPath(file, target.path, problem);
}

}  // namespace

void setSystemProblem(FileProblem* problem, std::size_t offset, const char* action) {
    DWORD code = GetLastError();
    setProblem(problem, offset, "%s: %s (error %lu)", action, errorText(code),
               static_cast<unsigned long>(code));
}

HANDLE openRegularFile(const char* path, std::size_t& size, FileProblem* problem) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        setSystemProblem(problem, 0, "cannot open the file");
        return file;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        setProblem(problem, 0, "not a plain file (a device, pipe or socket), so it is not read");
        CloseHandle(file);  // opened for reading only: nothing is lost if closing fails
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        setSystemProblem(problem, 0, "cannot get the size of the file");
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    const unsigned long long fileSize = (static_cast<unsigned long long>(high) << 32) | low;
    size = fileSize < SIZE_MAX ? static_cast<std::size_t>(fileSize) : SIZE_MAX;
    return file;
}

int readUpTo(HANDLE file, std::uint8_t* into, std::size_t count, std::size_t offset, std::size_t& got,
             FileProblem* problem) {
    got = 0;
    while (got < count) {
        DWORD part = count - got < IoChunk ? static_cast<DWORD>(count - got) : IoChunk;
        DWORD read = 0;
        if (!ReadFile(file, into + got, part, &read, nullptr)) {
            setSystemProblem(problem, offset + got, "reading failed");
            return 0;
        }
        if (read == 0 || read > part) break;  // the file ended
        got += read;
    }
    return 1;
}

int writeAll(HANDLE file, const std::uint8_t* bytes, std::size_t count, std::size_t offset,
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

int readRegularFile(const char* path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                    FileProblem* problem) {
    bytes.clear();
    std::size_t wanted = 0;
    HANDLE file = openRegularFile(path, wanted, problem);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int ok = 1;
    if (wanted > limit) {
        setProblem(problem, 0, "the file is larger than %llu MiB",
                   static_cast<unsigned long long>(limit >> 20));
        ok = 0;
    }
    try {
        if (ok) bytes.resize(wanted);
    } catch (const std::bad_alloc&) {
        setProblem(problem, 0, "not enough memory to read a file of %llu bytes",
                   static_cast<unsigned long long>(wanted));
        ok = 0;
    }
    std::size_t got = 0;
    if (ok) ok = readUpTo(file, bytes.data(), wanted, 0, got, problem);  // a shorter file: what it holds
    CloseHandle(file);  // opened for reading only: nothing is lost if closing fails
    bytes.resize(ok ? got : 0);
    return ok;
}

int findSaveTarget(const char* path, SaveTarget& target, FileProblem* problem) {
    target = SaveTarget{};
    // A handle without data access only asks about the file: it follows the
    // links, never waits on a FIFO and shares with every other opener.
    HANDLE file = CreateFileA(path, 0, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            setSystemProblem(problem, 0, "cannot open the card file");
            return 0;
        }
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            copyField(target.path, MAX_PATH, path);  // the caller checked its length
            return 1;
        }
        // A link to a file not yet made: making it where the link points
        // tells where that is, and keeps the link a link.
        file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            setSystemProblem(problem, 0, "cannot create the file that the card file's link points to");
            return 0;
        }
        target.placeholder = true;
    }
    int ok = describeTarget(file, target, problem);
    CloseHandle(file);
    if (!ok) {
        if (target.placeholder && target.path[0]) DeleteFileA(target.path);
        return 0;
    }
    target.exists = true;
    if (target.placeholder) return 1;
    // Whatever the folder allows, a file this user may not write is not
    // replaced. Another program holding it is the replacement's concern.
    HANDLE probe = CreateFileA(target.path, GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (!isBusyError(code)) {
            setSystemProblem(problem, 0, "the card file may not be written by this user");
            return 0;
        }
    } else {
        CloseHandle(probe);
    }
    return 1;
}

HANDLE createTempBeside(const char* path, DWORD attributes, char (&tempPath)[MAX_PATH],
                        FileProblem* problem) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::size_t folder = folderLength(path);
    const char* name = path + folder;
    const std::size_t randomLength = 6;
    // ".NAME.XXXXXX", or ".~XXXXXX" when a long name leaves no room for it.
    bool fullName = std::strlen(path) + 2 + randomLength < sizeof tempPath;
    if (!fullName && folder + 2 + randomLength >= sizeof tempPath) {
        setProblem(problem, 0, "the folder name is too long for a temporary file beside the card file");
        return INVALID_HANDLE_VALUE;
    }
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof letters) - 2);
    for (int attempt = 0; attempt < TempAttempts; ++attempt) {
        char tag[randomLength + 1];
        for (std::size_t i = 0; i < randomLength; ++i) tag[i] = letters[pick(source)];
        tag[randomLength] = '\0';
        std::memcpy(tempPath, path, folder);
        std::snprintf(tempPath + folder, sizeof tempPath - folder, fullName ? ".%s.%s" : ".~%.0s%s", name,
                      tag);
        HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
    }
    setSystemProblem(problem, 0, "cannot create a temporary file beside the card file");
    return INVALID_HANDLE_VALUE;
}

int replaceTarget(const char* tempPath, const SaveTarget& target, bool& keepTemp, FileProblem* problem) {
    keepTemp = false;
    if (!target.exists) {
        // Never over a file that appeared meanwhile.
        if (MoveFileExA(tempPath, target.path, MOVEFILE_WRITE_THROUGH)) return 1;
        setSystemProblem(problem, 0, "cannot put the new card file in place");
        return 0;
    }
    // The replacement takes the old file's attributes, and loses the hidden
    // one of a temporary file, whether or not the replacing call copies them.
    if (!SetFileAttributesA(tempPath, target.attributes ? target.attributes : FILE_ATTRIBUTE_NORMAL)) {
        setSystemProblem(problem, 0, "cannot give the new card file the old one's attributes");
        return 0;
    }
    for (int attempt = 0;; ++attempt) {
        if (ReplaceFileA(target.path, tempPath, nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr))
            return 1;
        DWORD code = GetLastError();
        if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
            GetFileAttributesA(target.path) == INVALID_FILE_ATTRIBUTES) {
            // Windows removed the old file but could not give the new one its
            // name: finish the move, or say where the new cards are.
            if (MoveFileExA(tempPath, target.path, MOVEFILE_WRITE_THROUGH)) return 1;
            keepTemp = true;
            setProblem(problem, 0, "the old card file is gone; the new cards are in %s", tempPath);
            return 0;
        }
        if (attempt + 1 >= ReplaceAttempts || !isBusyError(code)) break;
        Sleep(ReplacePauseMs);
    }
    setSystemProblem(problem, 0, "cannot replace the card file");
    return 0;
}

void removeMadeFile(const char* path, const char* what, FileProblem* problem) {
    if (DeleteFileA(path) || !problem) return;
    std::size_t used = strnlen(problem->what, sizeof problem->what);
    std::snprintf(problem->what + used, sizeof problem->what - used, "; %s %s could not be removed", what,
                  path);
}

bool sameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* names[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file =
            CreateFileA(names[i], 0, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        BOOL known = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

int replaceFileWith(const char* path, const std::function<int(HANDLE, FileProblem*)>& write,
                    FileProblem* problem) {
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
    bool keepTemp = false;
    int ok = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ok = write(file, problem);
        if (ok && !FlushFileBuffers(file)) {
            setSystemProblem(problem, 0, "flushing the new file failed");
            ok = 0;
        }
        if (!CloseHandle(file) && ok) {
            setSystemProblem(problem, 0, "closing the new file failed");
            ok = 0;
        }
        ok = ok && replaceTarget(tempPath, target, keepTemp, problem);
    }
    if (!ok) {
        if (file != INVALID_HANDLE_VALUE && !keepTemp) removeMadeFile(tempPath, "the temporary file", problem);
        if (target.placeholder && !keepTemp) removeMadeFile(target.path, "the empty file", problem);
    }
    return ok;
}

int saveBytesFile(const char* path, const std::vector<std::uint8_t>& bytes, FileProblem* problem) {
    return replaceFileWith(
        path, [&](HANDLE file, FileProblem* failure) { return writeAll(file, bytes.data(), bytes.size(), 0, failure); },
        problem);
}
