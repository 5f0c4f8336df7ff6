#include "tools/card_input.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "card/card_file.h"
#include "card/file_access.h"
#include "tools/check_report.h"

void TableDeleter::operator()(CardTable* table) const {
    std::free(table);
}

TablePtr emptyTable() {
    // A block this large comes to a process that has freed none before as
    // the system's zero pages, unwritten until used. The table is an
    // implicit-lifetime type, so the block holds one.
    void* block = std::calloc(1, sizeof(CardTable));
    if (!block) throw std::bad_alloc();
    return TablePtr(static_cast<CardTable*>(block));
}

void copyTable(const CardTable& from, CardTable& to) {
    const int count = from.slotCount < 0 ? 0 : (from.slotCount > MaxCards ? MaxCards : from.slotCount);
    std::memcpy(to.slots, from.slots, sizeof from.slots[0] * static_cast<std::size_t>(count));
    to.slotCount = count;
}

InputResult readInput(const char* path, const std::string& coreName, std::string_view setCode,
                      CardTable& table, ImportReport& report, std::string& error) {
    ImportFormat format = ImportFormat::Json;
    if (!importFormatOf(path, format)) {
        FileProblem problem;
        if (loadCardFile(coreName.c_str(), table, &problem)) return InputResult::Read;
        error = describeProblem(path, problem);
        return InputResult::Failed;
    }
    std::vector<std::uint8_t> bytes;
    FileProblem problem;
    if (!readRegularFile(coreName.c_str(), MaxInputSize, bytes, &problem)) {
        error = std::string(path) + ": " + problem.what;
        return InputResult::Failed;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (importCards(text, format, table, error, setCode, &report)) return InputResult::Read;
    const bool needsCode = report.source != SetSource::None && setCode.empty();
    error = std::string(path) + ": " + error;
    return needsCode ? InputResult::NeedsCode : InputResult::Failed;
}
