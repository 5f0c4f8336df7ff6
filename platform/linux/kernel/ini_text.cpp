#include "platform/linux/kernel/ini_text.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/code_page.h"

namespace {

const char GeneralSection[] = "General";  // where the values of a key live

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

const char HexDigits[] = "0123456789ABCDEF";

// A key or section name: letters, digits, '_', '-' and '.' as they are, '/' as
// a backslash, anything else as %XX or %UXXXX.
std::string escapeKey(const std::string& name) {
    std::string out;
    for (char32_t c : decodeUtf8(ansiToUtf8(name))) {
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                   c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += HexDigits[c / 16];
            out += HexDigits[c % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += HexDigits[(c >> shift) & 0xF];
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

// The name (in the ANSI code page) that an escaped key stands for.
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
            appendAnsiBestFit(out, value);
            i = first + digits - 1;
        } else {
            appendAnsiBestFit(out, c);
        }
    }
    return out;
}

// A string value as QSettings writes it.
std::string escapeValue(const std::string& value) {
    std::u32string text = decodeUtf8(ansiToUtf8(value));
    if (!text.empty() && text[0] == '@') text.insert(text.begin(), U'@');
    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (char32_t c : text) {
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfDigit && hexValue(c) >= 0) {
            out += "\\x";
            out += static_cast<char>(std::tolower(HexDigits[c / 16]));
            out += static_cast<char>(std::tolower(HexDigits[c % 16]));
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
            out += static_cast<char>(std::tolower(HexDigits[c % 16]));
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

// The string an INI value stands for, in the ANSI code page, cut at a NUL.
// False when it is not one string (a list, or a typed value other than a byte
// array).
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
    for (char32_t c : value) appendAnsiBestFit(out, c);
    return true;
}

// One logical line of the file: its physical lines (a line ending in an odd
// number of backslashes continues on the next), and what it is.
struct IniEntry {
    std::size_t first;  // index of its first physical line
    std::size_t count;  // physical lines it spans
    enum Kind { Other, Section, Value } kind;
    std::string name;  // section name (escaped) or key (unescaped, ANSI code page)
    std::string raw;   // the value text after '=', continuations joined
};

struct IniFile {
    std::vector<std::string> lines;  // without their line ends
    std::vector<IniEntry> entries;
};

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

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + '\n';
    return out;
}

}  // namespace

bool readIniValue(const std::string& content, const std::string& name, std::string& value) {
    IniFile ini;
    parseIni(content, ini);
    std::vector<std::size_t> found = findValue(ini, GeneralSection, name);
    // The last entry counts, as when the settings library reads the file.
    return !found.empty() && unescapeValue(ini.entries[found.back()].raw, value);
}

bool editIniValue(std::string& content, const std::string& name, const std::string* value) {
    IniFile ini;
    parseIni(content, ini);
    std::vector<std::size_t> found = findValue(ini, GeneralSection, name);
    if (found.empty() && value == nullptr) return false;

    const std::string line = value != nullptr ? escapeKey(name) + '=' + escapeValue(*value) : std::string();
    std::vector<std::string>& lines = ini.lines;
    if (!found.empty()) {
        // Replace the last entry in its place and drop the earlier duplicates.
        const IniEntry& last = ini.entries[found.back()];
        lines.erase(lines.begin() + last.first, lines.begin() + last.first + last.count);
        if (value != nullptr) lines.insert(lines.begin() + last.first, line);
        for (std::size_t k = found.size() - 1; k-- > 0;) {
            const IniEntry& entry = ini.entries[found[k]];
            lines.erase(lines.begin() + entry.first, lines.begin() + entry.first + entry.count);
        }
    } else if (std::size_t at = insertionLine(ini, GeneralSection); at != std::string::npos) {
        lines.insert(lines.begin() + at, line);
    } else {
        std::vector<std::string> head = {"[General]", line};
        if (!lines.empty()) head.push_back("");
        lines.insert(lines.begin(), head.begin(), head.end());
    }
    content = joinLines(lines);
    return true;
}
