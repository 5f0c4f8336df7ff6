#include "platform/linux/kernel/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char AclName[] = "system.posix_acl_access";  // the access list beyond the mode bits

int closeKeepingErrno(int fd) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

// The process's umask, read without changing it.
mode_t currentUmask() {
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[128];
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "Umask:", 6) == 0)
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
        std::fclose(status);
    }
    return mask & 0777;
}

}  // namespace

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t wrote = ::write(fd, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

int syncRetrying(int fd) {
    int result;
    do result = ::fsync(fd);
    while (result != 0 && errno == EINTR);
    return result;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool resolveLinks(const std::string& path, std::string& real) {
    real = path;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(real.c_str(), &info) != 0)
            return errno == ENOENT;  // a missing last name is a place to create
        if (!S_ISLNK(info.st_mode)) return true;
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 2);
        ssize_t length = ::readlink(real.c_str(), target.data(), target.size());
        if (length < 0) return false;
        if (static_cast<std::size_t>(length) >= target.size()) {
            errno = ENAMETOOLONG;  // the link changed while it was read
            return false;
        }
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.empty()) {
            errno = ENOENT;
            return false;
        }
        real = next[0] == '/' ? next : folderOf(real) + '/' + next;
    }
    errno = ELOOP;
    return false;
}

int syncFolderOf(const std::string& path) {
    int fd = openRetrying(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -1;
    int result = syncRetrying(fd);
    if (result != 0) return closeKeepingErrno(fd);
    ::close(fd);
    return 0;
}

bool copyIdentity(int oldFd, const struct stat& old, int fd) {
    struct stat now;
    if (::fstat(fd, &now) != 0) return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    // After fchown, which may clear the set-id bits.
    if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
    ssize_t size = ::fgetxattr(oldFd, AclName, nullptr, 0);
    if (size < 0) return errno == ENODATA || errno == ENOTSUP;
    std::vector<char> acl(static_cast<std::size_t>(size));
    size = ::fgetxattr(oldFd, AclName, acl.data(), acl.size());
    if (size < 0) return false;
    return ::fsetxattr(fd, AclName, acl.data(), static_cast<std::size_t>(size), 0) == 0;
}

bool replaceFileContent(const std::string& file, const std::string& content, mode_t newMode) {
    std::string real;
    if (!resolveLinks(file, real)) return false;
    struct stat old;
    int oldFd = openRetrying(real.c_str(), O_RDONLY | O_NOFOLLOW);
    if (oldFd < 0 && errno != ENOENT) return false;
    if (oldFd >= 0 && ::fstat(oldFd, &old) != 0) return closeKeepingErrno(oldFd), false;
    if (oldFd >= 0 && !S_ISREG(old.st_mode)) {
        ::close(oldFd);
        errno = EINVAL;  // a FIFO, device or folder is never replaced by a file
        return false;
    }
    std::size_t slash = real.rfind('/');
    std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
    std::string temporary =
        (slash == std::string::npos ? std::string() : real.substr(0, slash + 1)) + '.' + name + ".XXXXXX";
    int fd = ::mkostemp(&temporary[0], O_CLOEXEC);  // mode 0600, a fresh name
    bool ok = fd >= 0;
    if (ok) ok = oldFd >= 0 ? copyIdentity(oldFd, old, fd) : ::fchmod(fd, newMode & ~currentUmask()) == 0;
    if (ok) ok = writeAll(fd, content.data(), content.size()) && syncRetrying(fd) == 0;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) ok = false;
    if (ok) ok = ::rename(temporary.c_str(), real.c_str()) == 0;
    int error = errno;
    if (oldFd >= 0) ::close(oldFd);
    if (!ok) {
        if (fd >= 0) ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    syncFolderOf(real);  // the new file is in place; a failed folder flush does not undo that
    return true;
}
