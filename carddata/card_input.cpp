#include "carddata/card_input.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <nlohmann/json.hpp>

#include "card/card_file.h"
#include "card/file_access.h"
#include "carddata/bulk_file.h"
#include "carddata/check_report.h"

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
    const int count = liveSlots(from);
    std::memcpy(to.slots, from.slots, sizeof from.slots[0] * static_cast<std::size_t>(count));
    to.slotCount = count;
}

namespace {

// The bytes of a text input whole, or false with the reason in `error`.
bool readText(const char* path, const std::string& coreName, std::vector<std::uint8_t>& bytes,
              std::string& error) {
    FileProblem problem;
    if (readRegularFile(coreName.c_str(), MaxInputSize, bytes, &problem)) return true;
    error = std::string(path) + ": " + problem.what;
    return false;
}

std::string_view textOf(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

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
    if (!readText(path, coreName, bytes, error)) return InputResult::Failed;
    if (importCards(textOf(bytes), format, table, error, setCode, &report)) return InputResult::Read;
    const bool needsCode = report.source != SetSource::None && setCode.empty();
    error = std::string(path) + ": " + error;
    return needsCode ? InputResult::NeedsCode : InputResult::Failed;
}

namespace {

// The text of the one set `set` picks out of the JSON file `path`: true with
// `picked` empty when the file is a dump, which is read as it is.
bool pickSet(const char* path, const std::string& coreName, std::string_view set,
             const BulkProgress& progress, std::string& picked, std::string& error) {
    BulkShape shape = BulkShape::None;
    const BulkSink keep = [&](const BulkBatch& batch, std::string&) {
        picked = batch.text();
        return true;
    };
    if (!readBulkFile(coreName, BulkWant{set, {}}, keep, shape, error, progress)) {
        error = std::string(path) + ": " + error;
        return false;
    }
    if (shape != BulkShape::None) return true;
    error =
        std::string(path) +
        ": --set picks a set out of an MTGJSON AllPrintings or set file, or a Scryfall bulk array or list; "
        "this file is none of them";
    return false;
}

}  // namespace

InputResult readInputs(const std::vector<const char*>& paths, const std::vector<std::string>& coreNames,
                       std::string_view setCode, std::string_view set, Inputs& inputs, std::string& error,
                       const BulkProgress& progress) {
    std::vector<nlohmann::json> roots;
    roots.reserve(paths.size());  // the set files point into it
    std::vector<SetFileInput> setFiles;
    std::size_t& setTable = inputs.setTable;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const char* path = paths[i];
        ImportFormat format = ImportFormat::Json;
        if (!importFormatOf(path, format) || format == ImportFormat::Csv) {
            inputs.tables.push_back(emptyTable());
            inputs.names.push_back(path);
            ImportReport ignored;
            const InputResult result =
                readInput(path, coreNames[i], setCode, *inputs.tables.back(), ignored, error);
            if (result != InputResult::Read) return result;
            continue;
        }
        std::string picked;
        if (!set.empty() && !pickSet(path, coreNames[i], set, progress, picked, error))
            return InputResult::Failed;
        std::vector<std::uint8_t> bytes;
        if (picked.empty() && !readText(path, coreNames[i], bytes, error)) return InputResult::Failed;
        nlohmann::json& root = roots.emplace_back();
        if (!parseImportJson(picked.empty() ? textOf(bytes) : picked, root, error)) {
            error = std::string(path) + ": " + error;
            return InputResult::Failed;
        }
        const SetSource source = setSourceOf(root);
        if (source == SetSource::None) {
            inputs.tables.push_back(emptyTable());
            inputs.names.push_back(path);
            ImportReport ignored;
            if (importJsonRoot(root, *inputs.tables.back(), error, setCode, ignored)) continue;
            error = std::string(path) + ": " + error;
            return InputResult::Failed;
        }
        if (setFiles.empty()) {
            setTable = inputs.tables.size();
            inputs.tables.push_back(emptyTable());
            inputs.names.emplace_back();
            inputs.setPath = path;
        } else if (setFiles.size() == 1) {
            inputs.setPath += " and the set files after it";
        }
        setFiles.push_back({&root, source});
    }
    if (setFiles.empty()) return InputResult::Read;
    inputs.names[setTable] = inputs.setPath;
    inputs.report.source = setFiles[0].source;
    if (setCode.empty()) {
        error = inputs.setPath + ": a set file: its editions need the set code (--code)";
        return InputResult::NeedsCode;
    }
    if (setFileCards(setFiles, setCode, *inputs.tables[setTable], inputs.report.set, error))
        return InputResult::Read;
    error = inputs.setPath + ": " + error;
    return InputResult::Failed;
}
