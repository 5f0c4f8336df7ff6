#include "carddata/check_report.h"

#include <cstring>

std::string describeNotes(const char* path, int cardCount, const FileNotes& notes) {
    struct NoteLine {
        std::size_t count;
        const char* text;
    };
    const NoteLine lines[] = {
        {static_cast<std::size_t>(notes.movedBlockOffsets),
         "block offsets that differ from the block's place"},
        {static_cast<std::size_t>(notes.nonzeroFourthBytes), "four-byte integers with a nonzero fourth byte"},
        {static_cast<std::size_t>(notes.nonzeroReservedBytes), "index entries with nonzero reserved bytes"},
        {static_cast<std::size_t>(notes.caretPairs), "strings holding \"^^\" (written as CR LF)"},
        {static_cast<std::size_t>(notes.truncatedAtZero), "strings holding a zero byte (cut there)"},
        {notes.unusedBlockBytes, "bytes between the last text block and the index (dropped)"},
        {notes.trailingBytes, "bytes after the last index entry (dropped)"},
    };
    std::string out =
        std::string(path) + ": " + std::to_string(cardCount) + (cardCount == 1 ? " card" : " cards");
    std::string changes;
    for (const NoteLine& line : lines) {
        if (line.count == 0) continue;
        changes += "  " + std::string(line.text) + ": " + std::to_string(line.count) + "\n";
    }
    if (changes.empty()) return out + ", already normal: a save writes the same bytes\n";
    return out + ", a save would change:\n" + changes;
}

std::string describeProblem(const char* path, const FileProblem& problem) {
    const std::string what(problem.what, strnlen(problem.what, sizeof problem.what));
    return std::string(path) + ": byte " + std::to_string(problem.offset) + ": " +
           (what.empty() ? "the file is damaged" : what);
}
