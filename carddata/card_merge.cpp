#include "carddata/card_merge.h"

#include <algorithm>
#include <vector>

#include "card/card_fields.h"
#include "carddata/ascii_text.h"
#include "carddata/card_diff.h"
#include "platform/code_page.h"

namespace {

constexpr char EditionSeparator = ',';

std::vector<std::string_view> editionEntries(std::string_view edition) {
    std::vector<std::string_view> entries;
    for (;;) {
        const std::size_t comma = edition.find(EditionSeparator);
        const std::string_view entry = trimmed(edition.substr(0, comma), " ");
        if (!entry.empty()) entries.push_back(entry);
        if (comma == std::string_view::npos) return entries;
        edition.remove_prefix(comma + 1);
    }
}

// An entry's set code: what comes before its last '-' ("4E" of "4E-C"), or
// the whole entry.
std::string_view setCodeOf(std::string_view entry) {
    return entry.substr(0, entry.rfind('-'));
}

std::string_view textOf(const CardRecord& card, CardField field) {
    return fieldValue(card, field);
}

std::string nameOf(int number, const CardRecord& card) {
    return cardName(static_cast<std::size_t>(number), ansiToUtf8(textOf(card, CardField::Name)));
}

}  // namespace

std::string mergedEdition(std::string_view held, std::string_view incoming) {
    std::vector<std::string_view> entries = editionEntries(held);
    const std::size_t heldCount = entries.size();
    for (const std::string_view entry : editionEntries(incoming)) {
        const bool listed = std::any_of(entries.begin(), entries.end(), [&](std::string_view known) {
            return setCodeOf(known) == setCodeOf(entry);
        });
        if (!listed) entries.push_back(entry);
    }
    if (entries.size() == heldCount) return std::string(held);
    std::string merged;
    for (const std::string_view entry : entries) {
        if (!merged.empty()) merged += EditionSeparator;
        merged.append(entry);
    }
    return merged;
}

bool mergeCards(CardTable& db, const CardTable& in, MergeCounts& counts, std::string& error) {
    // Paired before anything is added, so that an added card is never a partner.
    const std::vector<int> partner = pairByName(db, in, NameFolding::Ae);
    int number = 0;
    for (int s = 0; s < static_cast<int>(partner.size()); ++s) {
        const CardRecord& card = in.slots[s];
        if (!card.active) continue;
        ++number;
        if (partner[s] < 0) {
            CardRecord* const added = nextFreeSlot(db, nameOf(number, card), error);
            if (!added) return false;
            *added = card;
            added->blockOffset = 0;
            ++counts.added;
            continue;
        }
        CardRecord& held = db.slots[partner[s]];
        if (textOf(held, CardField::Name) != textOf(card, CardField::Name))
            counts.notes.push_back(nameOf(number, card) + " paired with " +
                                   quotedText(textOf(held, CardField::Name)) +
                                   " (\xC3\x86 as Ae), whose spelling is kept");
        CardRecord merged = card;
        copyFieldOf(merged, held, CardField::Name);
        if (!textOf(held, CardField::Comment).empty()) copyFieldOf(merged, held, CardField::Comment);
        std::string why;
        const std::string edition =
            mergedEdition(textOf(held, CardField::Edition), textOf(card, CardField::Edition));
        if (!storeFieldText(merged, CardField::Edition, edition, why)) {
            counts.notes.push_back(nameOf(number, card) + ", edition: no room for " +
                                   quotedText(textOf(card, CardField::Edition)) + " (" + why +
                                   "): the list kept as it was");
            copyFieldOf(merged, held, CardField::Edition);
        }
        merged.blockOffset = held.blockOffset;
        if (!changedFields(held, merged)) continue;
        held = merged;
        ++counts.changed;
    }
    return true;
}
