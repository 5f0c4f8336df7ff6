#include "tools/card_merge.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tools/card_diff.h"

namespace {

std::string_view trimmed(std::string_view text, std::string_view drop) {
    const std::size_t first = text.find_first_not_of(drop);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(drop) - first + 1);
}

std::vector<std::string_view> editionEntries(std::string_view edition) {
    std::vector<std::string_view> entries;
    for (;;) {
        const std::size_t comma = edition.find(',');
        const std::string_view entry = trimmed(edition.substr(0, comma), " ");
        if (!entry.empty()) entries.push_back(entry);
        if (comma == std::string_view::npos) return entries;
        edition.remove_prefix(comma + 1);
    }
}

std::string_view editionOf(const CardRecord& card) {
    return {card.edition, strnlen(card.edition, EditionWidth)};
}

std::string cardName(int number, const CardRecord& card) {
    return "card " + std::to_string(number) + " " + quotedText({card.name, strnlen(card.name, NameWidth)});
}

}  // namespace

std::string mergedEdition(std::string_view held, std::string_view incoming) {
    std::vector<std::string_view> entries = editionEntries(held);
    std::string gained;
    for (const std::string_view entry : editionEntries(incoming)) {
        if (std::find(entries.begin(), entries.end(), entry) != entries.end()) continue;
        entries.push_back(entry);
        gained += (gained.empty() ? "" : ", ") + std::string(entry);
    }
    if (gained.empty()) return std::string(held);
    const std::string_view base = trimmed(held, " ,");
    return std::string(base) + (base.empty() ? "" : ", ") + gained;
}

bool mergeCards(CardTable& db, const CardTable& in, MergeCounts& counts, std::string& error) {
    // Paired before anything is added, so that an added card is never a partner.
    const std::vector<int> partner = pairByName(db, in);
    int number = 0;
    for (int s = 0; s < static_cast<int>(partner.size()); ++s) {
        const CardRecord& card = in.slots[s];
        if (!card.active) continue;
        ++number;
        if (partner[s] < 0) {
            if (db.slotCount >= MaxCards) {
                error = cardName(number, card) + ": the result would hold more than " +
                        std::to_string(MaxCards) + " cards, as many as a card file can";
                return false;
            }
            CardRecord& added = db.slots[db.slotCount++];
            added = card;
            added.blockOffset = 0;
            ++counts.added;
            continue;
        }
        CardRecord& held = db.slots[partner[s]];
        const std::string edition = mergedEdition(editionOf(held), editionOf(card));
        if (edition.size() >= EditionWidth) {
            error = cardName(number, card) + ", edition: the merged list is " +
                    std::to_string(edition.size()) + " characters, the field holds at most " +
                    std::to_string(EditionWidth - 1);
            return false;
        }
        CardRecord merged = card;
        std::memcpy(merged.edition, edition.data(), edition.size());
        std::memset(merged.edition + edition.size(), 0, EditionWidth - edition.size());
        merged.blockOffset = held.blockOffset;
        if (!changedFields(held, merged)) continue;
        held = merged;
        ++counts.changed;
    }
    return true;
}
