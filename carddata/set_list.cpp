#include "carddata/set_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "carddata/ascii_text.h"
#include "carddata/card_diff.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view SetListName = "expan.dat";  // compared without regard to case
constexpr std::string_view SetsFolder = "sets";
constexpr std::string_view CardFileName = "cardinfo.dat";
constexpr char LegendMark = '-';  // a legend line's first character, and a set line's code ends here
constexpr std::string_view LineEnd = "\r\n";

}  // namespace

std::string setListBeside(const std::string& db) {
    const fs::path card(db);
    if (!sameIgnoringCase(card.filename().string(), CardFileName)) return {};
    const fs::path sets = card.parent_path();
    if (!sameIgnoringCase(sets.filename().string(), SetsFolder)) return {};
    const fs::path program = sets.parent_path();
    std::error_code failed;
    for (fs::directory_iterator entry(program.empty() ? fs::path(".") : program, failed), end;
         !failed && entry != end; entry.increment(failed)) {
        const std::string name = entry->path().filename().string();
        if (sameIgnoringCase(name, SetListName) && entry->is_regular_file(failed))
            return (program.empty() ? fs::path(name) : program / name).string();
    }
    return {};
}

std::string setLineShown(std::string_view code, std::string_view name) {
    return quotedText(std::string(code) + LegendMark + std::string(name));
}

bool addSetLine(std::vector<std::uint8_t>& list, std::string_view code, std::string_view name,
                SetListChange& change, std::string& error) {
    const std::string_view text(reinterpret_cast<const char*>(list.data()), list.size());
    std::size_t insertAt = text.size();
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line[0] == LegendMark) {
            insertAt = start;
            break;
        }
        const std::size_t mark = line.find(LegendMark);
        if (mark != std::string_view::npos && trimmed(line.substr(0, mark)) == code) {
            const std::string_view listed = trimmed(line.substr(mark + 1));
            if (sameIgnoringCase(listed, trimmed(name))) {
                change = SetListChange::AlreadyListed;
                return true;
            }
            error = "the code " + std::string(code) + " is listed as " + quotedText(listed) + ", not " +
                    quotedText(name) + ": if it is the same set, add --set-name " + quotedText(listed) +
                    "; otherwise choose another code";
            return false;
        }
        start = end + 1;
    }
    std::string line = std::string(code) + LegendMark + std::string(name) + std::string(LineEnd);
    if (insertAt == text.size() && !text.empty() && text.back() != '\n') line = std::string(LineEnd) + line;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(insertAt), line.begin(), line.end());
    change = SetListChange::Added;
    return true;
}
