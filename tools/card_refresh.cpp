#include "tools/card_refresh.h"

#include <cstring>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "platform/code_page.h"
#include "tools/card_diff.h"
#include "tools/card_input.h"

namespace {

// The fields a refresh takes; the name, edition and comment stay.
constexpr CardField RefreshedFields[] = {CardField::Type, CardField::Cost, CardField::Pt, CardField::Text};

// Any set code serves the mapping: a refresh keeps DB's editions.
constexpr std::string_view AnyCode = "XX";
constexpr std::string_view FaceSeparator = " // ";

struct Collector {
    std::unordered_set<std::string> wanted;  // refreshKeys of DB's names
    CardVersions& versions;

    void take(const CardTable& table) {
        for (int s = 0; s < table.slotCount; ++s) {
            const CardRecord& card = table.slots[s];
            std::string key = refreshKey({card.name, strnlen(card.name, NameWidth)});
            if (card.active && wanted.count(key)) versions.try_emplace(std::move(key), card);
        }
    }

    // Whether a card of IN, by its name as a raw JSON string, may pair with
    // one of DB's: by its whole name or, for a card of several faces, by its
    // front's, the name one source gives a card the other names by its faces.
    // Only such cards are mapped.
    bool mayPair(const std::string& rawName) const {
        std::string utf8 = rawName.size() >= 2 ? rawName.substr(1, rawName.size() - 2) : std::string();
        if (utf8.find('\\') != std::string::npos) {  // escapes: decoded by the parser
            const nlohmann::json name = nlohmann::json::parse(rawName, nullptr, false);
            if (!name.is_string()) return false;
            utf8 = name.get<std::string>();
        }
        const std::size_t faces = utf8.find(FaceSeparator);
        return wanted.count(refreshKey(utf8ToCp1252BestFit(utf8))) ||
               (faces != std::string::npos &&
                wanted.count(refreshKey(utf8ToCp1252BestFit(utf8.substr(0, faces)))));
    }
};

}  // namespace

std::string refreshKey(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == '\xC6' || c == '\xE6') {
            key += c == '\xC6' ? "Ae" : "ae";
        } else {
            key += c;
        }
    }
    return key;
}

bool collectVersions(const CardTable& db, const char* path, const std::string& coreName,
                     CardVersions& versions, std::vector<std::string>& warnings, std::string& error,
                     const BulkProgress& progress) {
    Collector collector{{}, versions};
    for (int s = 0; s < db.slotCount; ++s) {
        if (db.slots[s].active)
            collector.wanted.insert(refreshKey({db.slots[s].name, strnlen(db.slots[s].name, NameWidth)}));
    }
    const TablePtr table = emptyTable();
    ImportReport report;
    ImportFormat format = ImportFormat::Json;
    if (importFormatOf(path, format) && format == ImportFormat::Json) {
        // Batch by batch; a batch the mapping refuses, card by card.
        const BulkSink sink = [&](const BulkBatch& batch, std::string&) {
            BulkBatch matched{batch.head, {}, {}, batch.tail};
            for (std::size_t g = 0; g < batch.groups.size(); ++g) {
                if (collector.mayPair(batch.names[g])) matched.groups.push_back(batch.groups[g]);
            }
            std::string why;
            if (matched.groups.empty()) return true;
            if (importCards(matched.text(), ImportFormat::Json, *table, why, AnyCode, &report)) {
                collector.take(*table);
                return true;
            }
            for (std::size_t g = 0; g < matched.groups.size(); ++g) {
                if (importCards(matched.groupText(g), ImportFormat::Json, *table, why, AnyCode, &report))
                    collector.take(*table);
                else
                    warnings.push_back(std::string(path) + ": left as it was: " + why);
            }
            return true;
        };
        BulkShape shape = BulkShape::None;
        if (!readBulkFile(coreName, BulkWant{}, sink, shape, error, progress)) {
            error = std::string(path) + ": " + error;
            return false;
        }
        if (shape == BulkShape::None) {
            error = std::string(path) + ": neither a dump nor a set file or bulk file of MTGJSON or Scryfall";
            return false;
        }
        if (shape != BulkShape::Dump) return true;
    }
    if (readInput(path, coreName, AnyCode, *table, report, error) != InputResult::Read) return false;
    collector.take(*table);
    return true;
}

void refreshCards(CardTable& db, const CardVersions& versions, RefreshCounts& counts) {
    for (int s = 0; s < db.slotCount; ++s) {
        CardRecord& held = db.slots[s];
        if (!held.active) continue;
        const auto version = versions.find(refreshKey({held.name, strnlen(held.name, NameWidth)}));
        if (version == versions.end()) {
            ++counts.missing;
            continue;
        }
        CardRecord refreshed = held;
        for (const CardField field : RefreshedFields)
            std::memcpy(fieldText(refreshed, field), fieldText(version->second, field), infoOf(field).width);
        refreshed.colours = version->second.colours;
        if (!changedFields(held, refreshed)) continue;
        held = refreshed;
        ++counts.changed;
    }
}
