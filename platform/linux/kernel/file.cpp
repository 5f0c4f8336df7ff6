// Win32 file calls on POSIX. A handle is an entry of a small table of open
// descriptors. Share mode 0 is an exclusive advisory lock (flock) held while
// the handle is open: another opener that finds the file locked fails with
// ERROR_SHARING_VIOLATION, as on Windows. Reads and writes transfer the whole
// count unless the file ends or an error stops them, and report the count
// that was really transferred. Names arrive in the ANSI code page, the
// program's, and reach the file system in UTF-8. Every open is non-blocking,
// so a FIFO or a device never holds the caller up; GetFileType tells them
// from disk files.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/linux/kernel/last_error.h"
#include "platform/linux/kernel/posix_file.h"

namespace {

constexpr int MaxOpenFiles = 256;              // handles open at once
constexpr std::uintptr_t HandleBase = 0x1000;  // first handle value; handles step by 4

std::mutex openFilesLock;          // guards openFiles
int openFiles[MaxOpenFiles] = {};  // descriptor + 1 of each handle, 0 = free

HANDLE addHandle(int fd) {
    std::lock_guard<std::mutex> guard(openFilesLock);
    for (int i = 0; i < MaxOpenFiles; ++i) {
        if (openFiles[i] == 0) {
            openFiles[i] = fd + 1;
            return reinterpret_cast<HANDLE>(HandleBase + 4 * static_cast<std::uintptr_t>(i));
        }
    }
    return INVALID_HANDLE_VALUE;
}

int slotOf(HANDLE handle) {
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < HandleBase || (value - HandleBase) % 4 != 0) return -1;
    std::uintptr_t slot = (value - HandleBase) / 4;
    return slot < MaxOpenFiles ? static_cast<int>(slot) : -1;
}

// The descriptor of an open handle, or -1 (last error set) for any other value.
int descriptorOf(HANDLE handle) {
    int slot = slotOf(handle);
    std::lock_guard<std::mutex> guard(openFilesLock);
    if (slot < 0 || openFiles[slot] == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return openFiles[slot] - 1;
}

int removeHandle(HANDLE handle) {
    int slot = slotOf(handle);
    std::lock_guard<std::mutex> guard(openFilesLock);
    if (slot < 0 || openFiles[slot] == 0) return -1;
    int fd = openFiles[slot] - 1;
    openFiles[slot] = 0;
    return fd;
}

int lockRetrying(int fd, int operation) {
    int result;
    do result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

// As Windows does, a missing file in a missing folder is "path not found".
void setLastErrorForPath(int error, const char* path) {
    if (error == ENOENT) {
        struct stat info;
        if (::stat(folderOf(path).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return;
        }
    }
    setLastErrorFromErrno(error);
}

// True when another opener holds the file at `path` open with share mode 0
// (or holds it shared while we would need it alone).
bool lockedByAnother(const char* path) {
    int fd = openRetrying(path, O_RDONLY);
    if (fd < 0) return false;
    bool locked = lockRetrying(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// A file whose write bits are all clear plays the part of a file with the
// read-only attribute: it cannot be written, replaced or deleted.
bool isReadOnly(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

// While it lives, a write past the file-size limit fails with EFBIG instead
// of the default action of SIGXFSZ, which would end the process.
class FileSizeSignalGuard {
  public:
    FileSizeSignalGuard() {
        sigemptyset(&only_);
        sigaddset(&only_, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &only_, &previous_);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGXFSZ) == 1;
    }
    ~FileSizeSignalGuard() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGXFSZ) == 1) {
            timespec noWait{};
            sigtimedwait(&only_, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    FileSizeSignalGuard(const FileSizeSignalGuard&) = delete;
    FileSizeSignalGuard& operator=(const FileSizeSignalGuard&) = delete;

  private:
    sigset_t only_;
    sigset_t previous_;
    bool wasPending_;
};

// Creates the file that `name` names exclusively. A symbolic link to a
// missing file counts as that missing file, as on Windows: the file is made
// where the link points.
int createNew(const char* name, int flags, mode_t mode) {
    int fd = openRetrying(name, flags | O_CREAT | O_EXCL, mode);
    std::string real;
    if (fd >= 0 || errno != EEXIST) return fd;
    if (!resolveLinks(name, real) || real == name) {
        errno = EEXIST;
        return -1;
    }
    return openRetrying(real.c_str(), flags | O_CREAT | O_EXCL, mode);
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD creation,
                          DWORD attributes, HANDLE) {
    if (!name || !*name) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string utf8Name = ansiToUtf8(name);
    const char* fileName = utf8Name.c_str();
    bool writing = (access & GENERIC_WRITE) != 0;
    bool dataAccess = (access & (GENERIC_READ | GENERIC_WRITE)) != 0;
    // No data access: a handle that only asks about the file (O_PATH), which
    // neither locks it nor waits for anything.
    int flags = !dataAccess ? O_PATH : writing ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    // A temporary file is private to its maker until it replaces another.
    mode_t mode = (attributes & FILE_ATTRIBUTE_TEMPORARY) ? 0600 : 0666;
    bool existed = false;
    int fd = -1;
    switch (creation) {
        case CREATE_NEW:
            fd = createNew(fileName, flags, mode);
            break;
        case CREATE_ALWAYS:
            // Truncation waits until the lock is held, so a refused open
            // leaves another opener's file intact.
            fd = createNew(fileName, flags, mode);
            if (fd < 0 && errno == EEXIST) {
                fd = openRetrying(fileName, flags);
                existed = fd >= 0;
            }
            break;
        case OPEN_EXISTING:
            fd = openRetrying(fileName, flags);
            existed = fd >= 0;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
    }
    if (fd < 0) {
        setLastErrorForPath(errno, fileName);
        return INVALID_HANDLE_VALUE;
    }
    struct stat info;
    DWORD refusal = ERROR_SUCCESS;
    if (::fstat(fd, &info) != 0) {
        refusal = win32ErrorFromErrno(errno);
    } else if (S_ISDIR(info.st_mode) ? !(attributes & FILE_FLAG_BACKUP_SEMANTICS) || writing
                                     : writing && existed && isReadOnly(info)) {
        refusal = ERROR_ACCESS_DENIED;
    } else if (dataAccess && lockRetrying(fd, (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        refusal = errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : win32ErrorFromErrno(errno);
    } else if (creation == CREATE_ALWAYS && existed && ::ftruncate(fd, 0) != 0) {
        refusal = win32ErrorFromErrno(errno);
    }
    HANDLE handle = refusal == ERROR_SUCCESS ? addHandle(fd) : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE) {
        if (refusal == ERROR_SUCCESS) refusal = ERROR_NOT_ENOUGH_MEMORY;
        ::close(fd);
        SetLastError(refusal);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(creation == CREATE_ALWAYS && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    int fd = descriptorOf(file);
    if (fd < 0) return FALSE;
    DWORD total = 0;
    while (total < toRead) {
        ssize_t count = ::read(fd, static_cast<char*>(buffer) + total, toRead - total);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            if (read) *read = total;
            SetLastError(errno == EIO     ? ERROR_READ_FAULT
                         : errno == EBADF ? ERROR_ACCESS_DENIED
                                          : win32ErrorFromErrno(errno));
            return FALSE;
        }
        if (count == 0) break;
        total += static_cast<DWORD>(count);
    }
    if (read) *read = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    int fd = descriptorOf(file);
    if (fd < 0) return FALSE;
    FileSizeSignalGuard signalGuard;
    DWORD total = 0;
    while (total < toWrite) {
        ssize_t count = ::write(fd, static_cast<const char*>(buffer) + total, toWrite - total);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (written) *written = total;
            SetLastError(count == 0 || errno == EIO ? ERROR_WRITE_FAULT
                         : errno == EBADF           ? ERROR_ACCESS_DENIED
                                                    : win32ErrorFromErrno(errno));
            return FALSE;
        }
        total += static_cast<DWORD>(count);
    }
    if (written) *written = total;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    int fd = descriptorOf(file);
    if (fd < 0) return INVALID_SET_FILE_POINTER;
    long long move = distanceHigh
                         ? static_cast<long long>(
                               (static_cast<unsigned long long>(static_cast<DWORD>(*distanceHigh)) << 32) |
                               static_cast<DWORD>(distance))
                         : distance;
    off_t base = 0;
    if (method == FILE_CURRENT) {
        base = ::lseek(fd, 0, SEEK_CUR);
    } else if (method == FILE_END) {
        base = ::lseek(fd, 0, SEEK_END);
    } else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        setLastErrorFromErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (base + move < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = ::lseek(fd, base + move, SEEK_SET);
    if (position < 0) {
        setLastErrorFromErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<unsigned long long>(position) >> 32);
    DWORD low = static_cast<DWORD>(position & 0xFFFFFFFF);
    if (low == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return low;
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    int fd = descriptorOf(file);
    if (fd < 0) return INVALID_FILE_SIZE;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        setLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    unsigned long long size = static_cast<unsigned long long>(info.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size & 0xFFFFFFFF);
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
    int fd = descriptorOf(file);
    if (fd < 0) return FALSE;
    int result;
    do result = ::fsync(fd);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        SetLastError(errno == EIO ? ERROR_WRITE_FAULT : win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
    int fd = removeHandle(object);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Linux releases the descriptor even when close reports EINTR; any other
    // error means data may not have reached the file.
    if (::close(fd) != 0 && errno != EINTR) {
        SetLastError(errno == EIO ? ERROR_WRITE_FAULT : win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingName, LPCSTR replacementName, DWORD flags) {
    if (!existingName || !replacementName || !*existingName || !*replacementName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string utf8Existing = ansiToUtf8(existingName);
    const std::string utf8Replacement = ansiToUtf8(replacementName);
    const char* existing = utf8Existing.c_str();
    const char* replacement = utf8Replacement.c_str();
    struct stat from, to;
    if (::lstat(existing, &from) != 0) {
        setLastErrorForPath(errno, existing);
        return FALSE;
    }
    if (S_ISREG(from.st_mode) && lockedByAnother(existing)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    bool targetExists = ::lstat(replacement, &to) == 0;
    bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    if (targetExists && !replace) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (targetExists && (S_ISDIR(to.st_mode) || isReadOnly(to))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Hold the target exclusively across the rename, so that nobody opens it
    // between the check and the replacement.
    int guard = -1;
    if (targetExists && S_ISREG(to.st_mode)) {
        guard = openRetrying(replacement, O_RDONLY | O_NOFOLLOW);
        if (guard >= 0 && lockRetrying(guard, LOCK_EX | LOCK_NB) != 0) {
            ::close(guard);
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    int result = replace ? ::rename(existing, replacement)
                         : ::renameat2(AT_FDCWD, existing, AT_FDCWD, replacement, RENAME_NOREPLACE);
    if (result != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        result = ::rename(existing, replacement);  // file system without RENAME_NOREPLACE
    }
    int error = errno;
    if (guard >= 0) ::close(guard);
    if (result != 0) {
        if (error == EEXIST) {
            SetLastError(ERROR_ALREADY_EXISTS);
        } else {
            setLastErrorForPath(error, replacement);
        }
        return FALSE;
    }
    // The move has happened; a folder flush that fails cannot undo it, so it
    // does not turn the move into a failure.
    if (flags & MOVEFILE_WRITE_THROUGH) syncFolderOf(replacement);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR name) {
    const std::string utf8Name = ansiToUtf8(name ? name : "");
    const char* fileName = utf8Name.c_str();
    struct stat info;
    if (::lstat(fileName, &info) != 0) {
        setLastErrorForPath(errno, fileName);
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || isReadOnly(info)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (S_ISREG(info.st_mode) && lockedByAnother(fileName)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (::unlink(fileName) != 0) {
        setLastErrorForPath(errno, fileName);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
    const std::string utf8Name = ansiToUtf8(name ? name : "");
    const char* fileName = utf8Name.c_str();
    struct stat info;
    if (::lstat(fileName, &info) != 0) {
        setLastErrorForPath(errno, fileName);
        return INVALID_FILE_ATTRIBUTES;
    }
    // As on Windows, a link answers for itself, whether or not its target exists.
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        bool folder = ::stat(fileName, &target) == 0 && S_ISDIR(target.st_mode);
        return FILE_ATTRIBUTE_REPARSE_POINT | (folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
    }
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return isReadOnly(info) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

// Only the read-only attribute has a POSIX counterpart (no write bits); the
// others are accepted and have no effect. A link is not followed.
BOOL WINAPI SetFileAttributesA(LPCSTR name, DWORD attributes) {
    const std::string utf8Name = ansiToUtf8(name ? name : "");
    int fd = openRetrying(utf8Name.c_str(), O_RDONLY | O_NOFOLLOW);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        setLastErrorForPath(errno, utf8Name.c_str());
        if (fd >= 0) ::close(fd);
        return FALSE;
    }
    mode_t mode = info.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~0222;
    else if ((mode & 0222) == 0)
        mode |= 0200;
    bool ok = !S_ISREG(info.st_mode) || mode == (info.st_mode & 07777) || ::fchmod(fd, mode) == 0;
    int error = errno;
    ::close(fd);
    if (!ok) SetLastError(win32ErrorFromErrno(error));
    return ok ? TRUE : FALSE;
}

DWORD WINAPI GetFileType(HANDLE file) {
    int fd = descriptorOf(file);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0) setLastErrorFromErrno(errno);
        return FILE_TYPE_UNKNOWN;
    }
    SetLastError(ERROR_SUCCESS);
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

BOOL WINAPI GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    int fd = descriptorOf(file);
    if (fd < 0) return FALSE;
    struct stat info;
    if (!information || ::fstat(fd, &info) != 0) {
        SetLastError(information ? win32ErrorFromErrno(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *information = {};
    information->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY
                                    : isReadOnly(info)    ? FILE_ATTRIBUTE_READONLY
                                                          : FILE_ATTRIBUTE_NORMAL;
    // 100 ns steps since 1601, as FILETIME counts.
    unsigned long long written =
        (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
        static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
    information->ftLastWriteTime = {static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    // The device and inode numbers identify the file, as the volume serial
    // number and file index do on Windows.
    information->dwVolumeSerialNumber = static_cast<DWORD>(info.st_dev ^ (info.st_dev >> 32));
    unsigned long long size = static_cast<unsigned long long>(info.st_size);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nFileSizeLow = static_cast<DWORD>(size);
    information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
    unsigned long long index = static_cast<unsigned long long>(info.st_ino);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(index);
    return TRUE;
}

DWORD WINAPI GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD) {
    int fd = descriptorOf(file);
    if (fd < 0) return 0;
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string target(4096, '\0');
    ssize_t length = ::readlink(link, &target[0], target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size() || target[0] != '/') {
        SetLastError(length < 0 ? win32ErrorFromErrno(errno) : ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    target.resize(static_cast<std::size_t>(length));
    std::string name;
    if (!utf8ToAnsi(target, name)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (!path || name.size() >= size) return static_cast<DWORD>(name.size() + 1);
    std::memcpy(path, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}

BOOL WINAPI ReplaceFileA(LPCSTR replacedName, LPCSTR replacementName, LPCSTR backupName, DWORD flags, LPVOID,
                         LPVOID) {
    if (!replacedName || !replacementName || !*replacedName || !*replacementName || backupName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string utf8Replaced = ansiToUtf8(replacedName);
    const std::string replacement = ansiToUtf8(replacementName);
    std::string replaced;
    if (!resolveLinks(utf8Replaced, replaced)) {
        setLastErrorForPath(errno, utf8Replaced.c_str());
        return FALSE;
    }
    // Both files stay open for the whole change: the replaced one locked, so
    // that nobody opens it between the checks and the rename.
    int oldFd = openRetrying(replaced.c_str(), O_RDONLY | O_NOFOLLOW);
    if (oldFd < 0) {
        setLastErrorForPath(errno, replaced.c_str());
        return FALSE;
    }
    int newFd = openRetrying(replacement.c_str(), O_RDONLY | O_NOFOLLOW);
    struct stat old, now;
    DWORD error = ERROR_SUCCESS;
    if (newFd < 0 || ::fstat(oldFd, &old) != 0 || ::fstat(newFd, &now) != 0) {
        error = win32ErrorFromErrno(errno);
    } else if (!S_ISREG(old.st_mode) || !S_ISREG(now.st_mode) || isReadOnly(old)) {
        error = ERROR_ACCESS_DENIED;
    } else if (lockRetrying(oldFd, LOCK_EX | LOCK_NB) != 0) {
        error = ERROR_UNABLE_TO_REMOVE_REPLACED;
    } else if (!copyIdentity(oldFd, old, newFd)) {
        error = errno == EPERM ? ERROR_INVALID_OWNER : win32ErrorFromErrno(errno);
    } else if (::rename(replacement.c_str(), replaced.c_str()) != 0) {
        error = errno == EXDEV ? ERROR_NOT_SAME_DEVICE : ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    }
    if (newFd >= 0) ::close(newFd);
    ::close(oldFd);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    // Replaced; a folder flush that fails cannot undo that.
    if (flags & REPLACEFILE_WRITE_THROUGH) syncFolderOf(replaced);
    return TRUE;
}
