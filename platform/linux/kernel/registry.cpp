// The per-user settings store on Linux, with the registry's calls and results.
// A key Software\<Org>\<App> is the INI file <config>/<Org>/<App>.conf and its
// values live in the [General] section, in the place and form that QSettings
// uses for that organisation and application; deeper keys are sections of that
// file, Software\<Org> alone is <config>/<Org>.conf. <config> is
// $XDG_CONFIG_HOME (when absolute) or $HOME/.config, read when a key is
// opened. Only string values (REG_SZ) are kept: the program's Windows-1252
// text is stored as UTF-8 with the escapes QSettings writes. Every change
// rewrites the file through a temporary file, flushed and renamed over it,
// keeping all other lines as they were.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/linux/kernel/posix_file.h"
#include "platform/linux/winapi.h"

namespace {

constexpr std::uint32_t KeyMagic = 0x59454b53;      // marks a live key handle
constexpr std::size_t MaxSettingsFile = 16u << 20;  // larger files are not read

struct SettingsKey {
    std::uint32_t magic;
    std::vector<std::string> path;  // components below HKEY_CURRENT_USER
    std::string file;               // empty for keys above an organisation
    std::string section;            // INI section holding the key's values
};

// Code points of UTF-8 text; each byte that starts no valid sequence gives
// U+FFFD.
std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        if (nextUtf8CodePoint(text, i, c)) {
            out += c;
        } else {
            out += U'\uFFFD';
            ++i;
        }
    }
    return out;
}

// ---- QSettings' INI escapes ---------------------------------------------------

const char hexDigits[] = "0123456789ABCDEF";

// A key or section name: letters, digits, '_', '-' and '.' as they are, '/' as
// a backslash, anything else as %XX or %UXXXX.
std::string escapeKey(const std::string& name) {
    std::string out;
    for (char32_t c : decodeUtf8(cp1252ToUtf8(name))) {
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                   c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += hexDigits[c / 16];
            out += hexDigits[c % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += hexDigits[(c >> shift) & 0xF];
        }
    }
    return out;
}

int hexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// The Windows-1252 name that an escaped key stands for.
std::string unescapeKey(const std::string& escaped) {
    std::u32string text = decodeUtf8(escaped);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == '\\') {
            out += '/';
            continue;
        }
        std::size_t digits = (c == '%' && i + 1 < text.size() && text[i + 1] == 'U') ? 4 : (c == '%' ? 2 : 0);
        std::size_t first = digits == 4 ? i + 2 : i + 1;
        char32_t value = 0;
        bool escape = digits > 0 && first + digits <= text.size();
        for (std::size_t k = 0; escape && k < digits; ++k) {
            int v = hexValue(text[first + k]);
            if (v < 0) escape = false;
            value = value * 16 + static_cast<char32_t>(v);
        }
        if (escape) {
            out += cp1252ByteOrDefault(value);
            i = first + digits - 1;
        } else {
            out += cp1252ByteOrDefault(c);
        }
    }
    return out;
}

// A string value as QSettings writes it.
std::string escapeValue(const std::string& value) {
    std::u32string text = decodeUtf8(cp1252ToUtf8(value));
    if (!text.empty() && text[0] == '@') text.insert(text.begin(), U'@');
    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (char32_t c : text) {
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfDigit && hexValue(c) >= 0) {
            out += "\\x";
            out += static_cast<char>(std::tolower(hexDigits[c / 16]));
            out += static_cast<char>(std::tolower(hexDigits[c % 16]));
            continue;
        }
        escapeNextIfDigit = false;
        static const char controls[] = "\a\b\f\n\r\t\v";
        static const char letters[] = "abfnrtv";
        const char* control = c != 0 && c < 0x20 ? std::strchr(controls, static_cast<char>(c)) : nullptr;
        if (control != nullptr) {
            out += '\\';
            out += letters[control - controls];
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\x";
            if (c >= 16) out += "1";
            out += static_cast<char>(std::tolower(hexDigits[c % 16]));
            escapeNextIfDigit = true;
        } else {
            appendUtf8(out, c);
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
    return out;
}

bool isBlank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The string an INI value stands for, in Windows-1252, cut at a NUL. False when
// it is not one string (a list, or a typed value other than a byte array).
bool unescapeValue(const std::string& raw, std::string& out) {
    std::u32string text = decodeUtf8(raw);
    std::u32string value;
    bool quoted = false;
    bool afterQuote = false;
    std::size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1])) --end;
    std::size_t i = 0;
    while (i < end && isBlank(text[i])) ++i;
    for (; i < end; ++i) {
        char32_t c = text[i];
        if (!quoted && afterQuote && isBlank(c)) continue;
        afterQuote = false;
        if (c == '"') {
            quoted = !quoted;
            afterQuote = !quoted;
        } else if (!quoted && c == ';') {
            break;
        } else if (!quoted && c == ',') {
            return false;
        } else if (c == '\\' && i + 1 < end) {
            char32_t e = text[++i];
            static const char letters[] = "abfnrtv";
            static const char controls[] = "\a\b\f\n\r\t\v";
            const char* letter = e < 0x80 && e != 0 ? std::strchr(letters, static_cast<char>(e)) : nullptr;
            if (letter != nullptr) {
                value += static_cast<char32_t>(controls[letter - letters]);
            } else if (e == '\\' || e == '"' || e == '\'' || e == '?') {
                value += e;
            } else if (e == 'x' || (e >= '0' && e <= '7')) {
                int base = e == 'x' ? 16 : 8;
                std::size_t k = e == 'x' ? i + 1 : i;
                char32_t number = 0;
                std::size_t digits = 0;
                for (; k < end && hexValue(text[k]) >= 0 && hexValue(text[k]) < base && digits < 8;
                     ++k, ++digits)
                    number = number * base + static_cast<char32_t>(hexValue(text[k]));
                if (digits > 0 && number <= 0x10FFFF) value += number;
                i = k - 1;
            }
        } else {
            value += c;
        }
    }
    std::size_t nul = value.find(U'\0');
    if (nul != std::u32string::npos) value.resize(nul);

    // QSettings marks typed values with '@'; a literal leading '@' is doubled.
    static const std::u32string typedStrings[] = {U"@String(", U"@ByteArray("};
    if (!value.empty() && value[0] == '@') {
        if (value.size() > 1 && value[1] == '@') {
            value.erase(0, 1);
        } else {
            bool known = false;
            for (const std::u32string& prefix : typedStrings)
                if (value.size() > prefix.size() && value.compare(0, prefix.size(), prefix) == 0 &&
                    value.back() == ')') {
                    value = value.substr(prefix.size(), value.size() - prefix.size() - 1);
                    known = true;
                    break;
                }
            if (!known) return false;
        }
    }
    out.clear();
    for (char32_t c : value) out += cp1252ByteOrDefault(c);
    return true;
}

// ---- The INI file as lines ---------------------------------------------------

// One logical line of the file: its physical lines (a line ending in an odd
// number of backslashes continues on the next), and what it is.
struct IniEntry {
    std::size_t first;  // index of its first physical line
    std::size_t count;  // physical lines it spans
    enum Kind { Other, Section, Value } kind;
    std::string name;  // section name (escaped) or key (unescaped, Windows-1252)
    std::string raw;   // the value text after '=', continuations joined
};

struct IniFile {
    std::vector<std::string> lines;  // without their line ends
    std::vector<IniEntry> entries;
};

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

std::string trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\v\f");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t\r\v\f") - begin + 1);
}

void parseIni(const std::string& content, IniFile& ini) {
    ini.lines.clear();
    ini.entries.clear();
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ini.lines.push_back(line);
        start = end + 1;
    }
    for (std::size_t i = 0; i < ini.lines.size();) {
        IniEntry entry{i, 1, IniEntry::Other, std::string(), std::string()};
        std::string logical = ini.lines[i];
        for (;;) {
            std::size_t slashes = 0;
            while (slashes < logical.size() && logical[logical.size() - 1 - slashes] == '\\') ++slashes;
            if (slashes % 2 == 0 || i + entry.count >= ini.lines.size()) break;
            logical.pop_back();
            logical += ini.lines[i + entry.count++];
        }
        i += entry.count;
        std::string text = trim(logical);
        std::size_t equals = text.find('=');
        if (text.empty() || text[0] == ';' || text[0] == '#') {
        } else if (text[0] == '[') {
            std::size_t close = text.find(']');
            entry.kind = IniEntry::Section;
            entry.name = trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        } else if (equals != std::string::npos && equals > 0) {
            entry.kind = IniEntry::Value;
            entry.name = unescapeKey(trim(text.substr(0, equals)));
            entry.raw = text.substr(equals + 1);
        }
        ini.entries.push_back(entry);
    }
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Indexes of the entries for `name` in `section` (lines before the first
// header belong to General, as in QSettings), in file order.
std::vector<std::size_t> findValue(const IniFile& ini, const std::string& section, const std::string& name) {
    std::vector<std::size_t> found;
    std::string current = "General";
    for (std::size_t e = 0; e < ini.entries.size(); ++e) {
        const IniEntry& entry = ini.entries[e];
        if (entry.kind == IniEntry::Section) current = entry.name;
        if (entry.kind == IniEntry::Value && current == section && sameName(entry.name, name))
            found.push_back(e);
    }
    return found;
}

// The physical line after which a new value of `section` goes: after the last
// non-blank entry of its last block; npos when the section has no header.
std::size_t insertionLine(const IniFile& ini, const std::string& section) {
    std::size_t line = std::string::npos;
    bool inside = false;
    for (const IniEntry& entry : ini.entries) {
        if (entry.kind == IniEntry::Section) inside = entry.name == section;
        if (inside && (entry.kind != IniEntry::Other || !trim(ini.lines[entry.first]).empty()))
            line = entry.first + entry.count;
    }
    return line;
}

bool makeDirectories(const std::string& directory) {
    for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        std::string part = directory.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// Replaces `file` (behind its links) with `content`; a missing file is made
// readable by its owner only, as the settings library makes it.
bool replaceFile(const std::string& file, const std::string& content) {
    return makeDirectories(folderOf(file)) && replaceFileContent(file, content, 0600);
}

// Holds the lock file beside a settings file while it lives, so that two
// programs changing values at once each see the other's change. The lock
// file is removed again, as the settings library removes its own: whoever
// locked a file that was removed meanwhile opens the new one and tries again.
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
                if (fstat(fd_, &locked) == 0 && stat(name_.c_str(), &named) == 0 && locked.st_ino == named.st_ino &&
                    locked.st_dev == named.st_dev)
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
    bool held() const {
        return fd_ >= 0;
    }

  private:
    static constexpr int LockAttempts = 500;          // about five seconds in all
    static constexpr useconds_t LockPauseUs = 10000;  // between tries
    std::string name_;
    int fd_ = -1;
};

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + '\n';
    return out;
}

// ---- Keys --------------------------------------------------------------------

bool configDirectory(std::string& directory) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        directory = xdg;
        return true;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return false;
    directory = std::string(home) + "/.config";
    return true;
}

// Where a key lives. Keys outside Software\ have no place.
LSTATUS locateKey(SettingsKey& key) {
    if (key.path.empty()) return ERROR_SUCCESS;
    if (!sameName(key.path[0], "Software")) return ERROR_ACCESS_DENIED;
    if (key.path.size() < 2) return ERROR_SUCCESS;
    std::string directory;
    if (!configDirectory(directory)) return ERROR_PATH_NOT_FOUND;
    key.file = directory + '/' + cp1252ToUtf8(key.path[1]);
    if (key.path.size() >= 3) key.file += '/' + cp1252ToUtf8(key.path[2]);
    key.file += ".conf";
    std::string group;
    for (std::size_t i = 3; i < key.path.size(); ++i) group += (i > 3 ? "/" : "") + key.path[i];
    key.section = group.empty() ? "General" : escapeKey(group);
    if (key.section == "General" && !group.empty()) key.section = "%General";
    return ERROR_SUCCESS;
}

SettingsKey* settingsKey(HKEY key) {
    if (key == nullptr || key == HKEY_CURRENT_USER) return nullptr;
    SettingsKey* settings = reinterpret_cast<SettingsKey*>(key);
    return settings->magic == KeyMagic ? settings : nullptr;
}

bool validComponent(const std::string& part) {
    return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos;
}

LSTATUS openKey(HKEY parent, LPCSTR subKey, PHKEY result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    SettingsKey* base = settingsKey(parent);
    if (parent != HKEY_CURRENT_USER && base == nullptr) return ERROR_INVALID_HANDLE;

    SettingsKey* key = new SettingsKey{KeyMagic, base != nullptr ? base->path : std::vector<std::string>(),
                                       std::string(), std::string()};
    std::string rest = subKey != nullptr ? subKey : "";
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    for (std::size_t start = 0; !rest.empty() && start <= rest.size();) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        key->path.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    LSTATUS status = ERROR_SUCCESS;
    for (const std::string& part : key->path)
        if (!validComponent(part)) status = ERROR_INVALID_PARAMETER;
    if (status == ERROR_SUCCESS) status = locateKey(*key);
    if (status == ERROR_SUCCESS && !key->file.empty()) {
        struct stat info;
        bool exists = stat(key->file.c_str(), &info) == 0;
        if (!exists && !create) status = ERROR_FILE_NOT_FOUND;
        if (!exists && create) {
            // Made under the lock, so that a value another program has just
            // written is not replaced by the empty file.
            SettingsLock lock(key->file);
            if (!lock.held() || (stat(key->file.c_str(), &info) != 0 && !replaceFile(key->file, std::string())))
                status = ERROR_ACCESS_DENIED;
        }
    }
    if (status != ERROR_SUCCESS) {
        delete key;
        return status;
    }
    *result = reinterpret_cast<HKEY>(key);
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return openKey(key, subKey, result, true);
}

LSTATUS WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return openKey(key, subKey, result, false);
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    SettingsKey* settings = settingsKey(key);
    if (settings == nullptr) return ERROR_INVALID_HANDLE;
    settings->magic = 0;
    delete settings;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize) {
    SettingsKey* settings = settingsKey(key);
    if (settings == nullptr) return key == HKEY_CURRENT_USER ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (settings->file.empty() || valueName == nullptr || valueName[0] == '\0') return ERROR_FILE_NOT_FOUND;

    std::string content;
    bool exists = false;
    if (!readWholeFile(settings->file, content, exists)) return ERROR_FILE_NOT_FOUND;
    IniFile ini;
    parseIni(content, ini);
    std::vector<std::size_t> found = findValue(ini, settings->section, valueName);
    std::string value;
    // The last entry counts, as when QSettings reads the file.
    if (found.empty() || !unescapeValue(ini.entries[found.back()].raw, value)) return ERROR_FILE_NOT_FOUND;

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

// Rewrites the key's file with `name` set to `line` (or removed when `line` is
// null). Returns ERROR_FILE_NOT_FOUND when removing a value that isn't there.
static LSTATUS rewriteValue(SettingsKey& key, const std::string& name, const std::string* line) {
    SettingsLock lock(key.file);
    if (!lock.held()) return ERROR_ACCESS_DENIED;
    std::string content;
    bool exists = false;
    if (!readWholeFile(key.file, content, exists) && exists) return ERROR_ACCESS_DENIED;
    IniFile ini;
    parseIni(content, ini);
    std::vector<std::size_t> found = findValue(ini, key.section, name);
    if (found.empty() && line == nullptr) return ERROR_FILE_NOT_FOUND;

    std::vector<std::string>& lines = ini.lines;
    if (!found.empty()) {
        // Replace the last entry in its place and drop the earlier duplicates.
        const IniEntry& last = ini.entries[found.back()];
        lines.erase(lines.begin() + last.first, lines.begin() + last.first + last.count);
        if (line != nullptr) lines.insert(lines.begin() + last.first, *line);
        for (std::size_t k = found.size() - 1; k-- > 0;) {
            const IniEntry& entry = ini.entries[found[k]];
            lines.erase(lines.begin() + entry.first, lines.begin() + entry.first + entry.count);
        }
    } else {
        std::size_t at = insertionLine(ini, key.section);
        if (at != std::string::npos) {
            lines.insert(lines.begin() + at, *line);
        } else if (key.section == "General") {
            std::vector<std::string> head = {"[General]", *line};
            if (!lines.empty()) head.push_back("");
            lines.insert(lines.begin(), head.begin(), head.end());
        } else {
            if (!lines.empty() && !trim(lines.back()).empty()) lines.push_back("");
            lines.push_back('[' + key.section + ']');
            lines.push_back(*line);
        }
    }
    return replaceFile(key.file, joinLines(lines)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                              DWORD dataSize) {
    SettingsKey* settings = settingsKey(key);
    if (settings == nullptr) return key == HKEY_CURRENT_USER ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE;
    if (type != REG_SZ || valueName == nullptr || valueName[0] == '\0' || (data == nullptr && dataSize != 0))
        return ERROR_INVALID_PARAMETER;
    if (settings->file.empty()) return ERROR_ACCESS_DENIED;
    // A string ends at its first NUL or at the end of the data.
    const char* text = reinterpret_cast<const char*>(data);
    std::string value(text != nullptr ? text : "", text != nullptr ? strnlen(text, dataSize) : 0);
    std::string line = escapeKey(valueName) + '=' + escapeValue(value);
    return rewriteValue(*settings, valueName, &line);
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    SettingsKey* settings = settingsKey(key);
    if (settings == nullptr) return key == HKEY_CURRENT_USER ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
    if (settings->file.empty() || valueName == nullptr || valueName[0] == '\0') return ERROR_FILE_NOT_FOUND;
    struct stat info;
    if (stat(settings->file.c_str(), &info) != 0) return ERROR_FILE_NOT_FOUND;
    return rewriteValue(*settings, valueName, nullptr);
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (subKey == nullptr || subKey[0] == '\0') return ERROR_INVALID_PARAMETER;
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyA(key, subKey, &opened);
    if (status != ERROR_SUCCESS) return status;
    SettingsKey* settings = settingsKey(opened);
    // Only a key that is a whole file can go; sections and the keys above
    // the files stay.
    if (settings->file.empty() || settings->section != "General" || settings->path.size() < 3)
        status = ERROR_ACCESS_DENIED;
    else if (unlink(settings->file.c_str()) != 0)
        status = errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    RegCloseKey(opened);
    return status;
}
