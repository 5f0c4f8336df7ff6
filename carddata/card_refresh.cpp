#include "carddata/card_refresh.h"

#include <unordered_map>

#include <nlohmann/json.hpp>

#include "card/card_fields.h"
#include "carddata/card_diff.h"
#include "carddata/card_input.h"
#include "platform/code_page.h"

namespace {

// The fields a refresh takes; the name, edition and comment stay.
constexpr CardField RefreshedFields[] = {CardField::Type, CardField::Cost, CardField::Pt, CardField::Text};

// Any set code serves the mapping: a refresh keeps DB's editions.
constexpr std::string_view AnyCode = "XX";
constexpr std::string_view FaceSeparator = " // ";

std::string keyOf(const CardRecord& card) {
    return foldedName(fieldValue(card, CardField::Name));
}

class Refresher {
  public:
    explicit Refresher(CardTable& db) : db_(db) {
        for (int s = 0; s < liveSlots(db); ++s) {
            if (db.slots[s].active) names_[keyOf(db.slots[s])].slots.push_back(s);
        }
    }

    // Whether a card of IN, by its name as a raw JSON string, may pair with
    // one of DB's (see partnersOf).
    bool mayPair(const std::string& rawName) {
        std::string utf8 = rawName.size() >= 2 ? rawName.substr(1, rawName.size() - 2) : std::string();
        if (utf8.find('\\') != std::string::npos) {  // escapes: decoded by the parser
            const nlohmann::json name = nlohmann::json::parse(rawName, nullptr, false);
            if (!name.is_string()) return false;
            utf8 = name.get<std::string>();
        }
        return partnersOf(foldedName(utf8ToAnsiBestFit(utf8))) != nullptr;
    }

    // The mapped cards of `in` into DB's cards of their names, each name once.
    void take(const CardTable& in, RefreshCounts& counts) {
        for (int s = 0; s < liveSlots(in); ++s) {
            Name* name = in.slots[s].active ? partnersOf(keyOf(in.slots[s])) : nullptr;
            if (!name || name->taken) continue;
            name->taken = true;
            ++counts.matched;
            for (const int slot : name->slots) {
                CardRecord& held = db_.slots[slot];
                CardRecord refreshed = held;
                for (const CardField field : RefreshedFields) copyFieldOf(refreshed, in.slots[s], field);
                refreshed.colours = in.slots[s].colours;
                if (!changedFields(held, refreshed)) continue;
                held = refreshed;
                ++counts.changed;
            }
        }
    }

    int missing() const {
        int count = 0;
        for (const auto& name : names_)
            count += name.second.taken ? 0 : static_cast<int>(name.second.slots.size());
        return count;
    }

  private:
    struct Name {
        std::vector<int> slots;  // DB's cards of the name
        bool taken = false;      // IN's version came
    };

    // DB's cards of the folded name `key`, or for a card of several faces
    // ("A // B") of its front's name: one source names by its faces a card
    // that the other, and an older database, names by its front.
    Name* partnersOf(const std::string& key) {
        auto found = names_.find(key);
        const std::size_t faces = key.find(FaceSeparator);
        if (found == names_.end() && faces != std::string::npos) found = names_.find(key.substr(0, faces));
        return found == names_.end() ? nullptr : &found->second;
    }
    CardTable& db_;
    std::unordered_map<std::string, Name> names_;
};

}  // namespace

bool refreshCards(CardTable& db, const char* path, const std::string& coreName, RefreshCounts& counts,
                  std::vector<std::string>& warnings, std::string& error, const BulkProgress& progress) {
    Refresher refresher(db);
    const TablePtr table = emptyTable();
    ImportReport report;
    ImportFormat format = ImportFormat::Json;
    if (importFormatOf(path, format) && format == ImportFormat::Json) {
        // Batch by batch; a batch the mapping refuses, card by card.
        const BulkSink sink = [&](const BulkBatch& batch, std::string&) {
            std::string why;
            if (importCards(batch.text(), ImportFormat::Json, *table, why, AnyCode, &report)) {
                refresher.take(*table, counts);
                return true;
            }
            for (std::size_t g = 0; g < batch.groups.size(); ++g) {
                if (importCards(batch.groupText(g), ImportFormat::Json, *table, why, AnyCode, &report))
                    refresher.take(*table, counts);
                else
                    warnings.push_back(std::string(path) + ": left as it was: " + why);
            }
            return true;
        };
        BulkShape shape = BulkShape::None;
        const BulkWant want{{}, [&](const std::string& name) { return refresher.mayPair(name); }};
        if (!readBulkFile(coreName, want, sink, shape, error, progress)) {
            error = std::string(path) + ": " + error;
            return false;
        }
        if (shape == BulkShape::None) {
            error = std::string(path) + ": neither a dump nor a set file or bulk file of MTGJSON or Scryfall";
            return false;
        }
        if (shape != BulkShape::Dump) {
            counts.missing = refresher.missing();
            return true;
        }
    }
    if (readInput(path, coreName, AnyCode, *table, report, error) != InputResult::Read) return false;
    refresher.take(*table, counts);
    counts.missing = refresher.missing();
    return true;
}
