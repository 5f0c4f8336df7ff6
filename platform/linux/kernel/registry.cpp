// The per-user settings store on Linux, with the registry's calls and results.
// A key Software\<Org>\<App> is the INI file <config>/<Org>/<App>.conf, where
// QSettings keeps that organisation's application, and its string values
// (REG_SZ) live in its [General] section; other keys have no place here.
// <config> is $XDG_CONFIG_HOME (when absolute) or $HOME/.config, read when a
// key is opened. A handle is an entry of a small table of open keys. Every
// change reads, edits and replaces the whole file under a lock file beside
// it, so that two programs changing it at once lose nothing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/linux/kernel/ini_text.h"
#include "platform/linux/kernel/posix_file.h"
#include "platform/linux/winapi.h"

namespace {

constexpr std::size_t MaxSettingsFile = 16u << 20;  // larger files are not read
constexpr int MaxOpenKeys = 64;                     // keys open at once
constexpr std::uintptr_t KeyBase = 0x2000;          // first handle value; handles step by 4

std::mutex openKeysLock;                 // guards openKeys
std::string openKeys[MaxOpenKeys] = {};  // settings file of each open key; empty = free

// The settings file of an open key, or false for any other handle.
bool fileOf(HKEY key, std::string& file) {
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(key);
    if (value < KeyBase || (value - KeyBase) % 4 != 0 || (value - KeyBase) / 4 >= MaxOpenKeys) return false;
    std::lock_guard<std::mutex> guard(openKeysLock);
    file = openKeys[(value - KeyBase) / 4];
    return !file.empty();
}

bool readWholeFile(const std::string& file, std::string& content, bool& exists) {
    content.clear();
    int fd = openRetrying(file.c_str(), O_RDONLY);
    exists = fd >= 0 || errno != ENOENT;
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::size_t>(info.st_size) <= MaxSettingsFile;
    char buffer[4096];
    while (ok) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > MaxSettingsFile) ok = false;
    }
    close(fd);
    return ok;
}

bool makeDirectories(const std::string& directory) {
    for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        std::string part = directory.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// Holds the lock file beside a settings file while it lives. The lock file is
// removed again, as the settings library removes its own: whoever locked a
// file that was removed meanwhile opens the new one and tries again.
class SettingsLock {
  public:
    explicit SettingsLock(const std::string& file) {
        std::string real;
        if (!resolveLinks(file, real) || !makeDirectories(folderOf(real))) return;
        name_ = real + ".lock";
        for (int attempt = 0; attempt < LockAttempts; ++attempt) {
            fd_ = openRetrying(name_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
            if (fd_ < 0) return;
            struct stat locked, named;
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                if (fstat(fd_, &locked) == 0 && stat(name_.c_str(), &named) == 0 &&
                    locked.st_ino == named.st_ino && locked.st_dev == named.st_dev)
                    return;
            } else if (errno != EWOULDBLOCK && errno != EINTR) {
                break;
            }
            close(fd_);
            fd_ = -1;
            usleep(LockPauseUs);
        }
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    ~SettingsLock() {
        if (fd_ < 0) return;
        unlink(name_.c_str());  // while still held, so no one locks a name about to vanish
        close(fd_);
    }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    static constexpr int LockAttempts = 500;          // about five seconds in all
    static constexpr useconds_t LockPauseUs = 10000;  // between tries
    std::string name_;
    int fd_ = -1;
};

// Edits the value `name` of the settings file under its lock: set to `value`,
// or removed when `value` is null. A missing file is made readable by its
// owner only, as the settings library makes it.
LSTATUS changeValue(const std::string& file, const std::string& name, const std::string* value) {
    SettingsLock lock(file);
    if (!lock.held()) return ERROR_ACCESS_DENIED;
    std::string content;
    bool exists = false;
    if (!readWholeFile(file, content, exists) && exists) return ERROR_ACCESS_DENIED;
    if (!editIniValue(content, name, value)) return ERROR_FILE_NOT_FOUND;
    return replaceFileContent(file, content, 0600) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool sameName(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

// The settings file of the key Software\<Org>\<App>.
LSTATUS locateKey(const std::string& path, std::string& file) {
    std::string parts[3];
    std::size_t count = 0, start = 0;
    while (count < 3 && start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        parts[count++] = path.substr(start, end - start);
        start = end + 1;
    }
    if (count != 3 || start <= path.size() || !sameName(parts[0].c_str(), "Software"))
        return ERROR_ACCESS_DENIED;
    for (const std::string& part : parts)
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
            return ERROR_INVALID_PARAMETER;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string config;
    if (xdg != nullptr && xdg[0] == '/')
        config = xdg;
    else if (home != nullptr && home[0] == '/')
        config = std::string(home) + "/.config";
    else
        return ERROR_PATH_NOT_FOUND;
    file = config + '/' + ansiToUtf8(parts[1]) + '/' + ansiToUtf8(parts[2]) + ".conf";
    return ERROR_SUCCESS;
}

LSTATUS openKey(HKEY parent, LPCSTR subKey, PHKEY result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (parent != HKEY_CURRENT_USER) return ERROR_INVALID_HANDLE;
    std::string file;
    LSTATUS status = locateKey(subKey != nullptr ? subKey : "", file);
    if (status != ERROR_SUCCESS) return status;
    struct stat info;
    if (stat(file.c_str(), &info) != 0) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        // Made under the lock, so that a value another program has just
        // written is not replaced by the empty file.
        SettingsLock lock(file);
        if (!lock.held() ||
            (stat(file.c_str(), &info) != 0 && !replaceFileContent(file, std::string(), 0600)))
            return ERROR_ACCESS_DENIED;
    }
    std::lock_guard<std::mutex> guard(openKeysLock);
    for (int i = 0; i < MaxOpenKeys; ++i) {
        if (openKeys[i].empty()) {
            openKeys[i] = file;
            *result = reinterpret_cast<HKEY>(KeyBase + 4 * static_cast<std::uintptr_t>(i));
            return ERROR_SUCCESS;
        }
    }
    return ERROR_NOT_ENOUGH_MEMORY;
}

}  // namespace

LSTATUS WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return openKey(key, subKey, result, true);
}

LSTATUS WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return openKey(key, subKey, result, false);
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    std::string file;
    if (!fileOf(key, file)) return ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> guard(openKeysLock);
    openKeys[(reinterpret_cast<std::uintptr_t>(key) - KeyBase) / 4].clear();
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize) {
    std::string file;
    if (!fileOf(key, file)) return ERROR_INVALID_HANDLE;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (valueName == nullptr || valueName[0] == '\0') return ERROR_FILE_NOT_FOUND;
    std::string content, value;
    bool exists = false;
    if (!readWholeFile(file, content, exists) || !readIniValue(content, valueName, value))
        return ERROR_FILE_NOT_FOUND;

    DWORD needed = static_cast<DWORD>(value.size() + 1);
    if (type != nullptr) *type = REG_SZ;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    if (data != nullptr && *dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) std::memcpy(data, value.c_str(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                              DWORD dataSize) {
    std::string file;
    if (!fileOf(key, file)) return ERROR_INVALID_HANDLE;
    if (type != REG_SZ || valueName == nullptr || valueName[0] == '\0' || (data == nullptr && dataSize != 0))
        return ERROR_INVALID_PARAMETER;
    // A string ends at its first NUL or at the end of the data.
    const char* text = reinterpret_cast<const char*>(data);
    std::string value(text != nullptr ? text : "", text != nullptr ? strnlen(text, dataSize) : 0);
    return changeValue(file, valueName, &value);
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::string file;
    if (!fileOf(key, file)) return ERROR_INVALID_HANDLE;
    struct stat info;
    if (valueName == nullptr || valueName[0] == '\0' || stat(file.c_str(), &info) != 0)
        return ERROR_FILE_NOT_FOUND;
    return changeValue(file, valueName, nullptr);
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (key != HKEY_CURRENT_USER) return ERROR_INVALID_HANDLE;
    std::string file;
    LSTATUS status = locateKey(subKey != nullptr ? subKey : "", file);
    if (status != ERROR_SUCCESS) return status;
    if (unlink(file.c_str()) != 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}
