// Filling a card's record from outside: the one rule every writer of a record
// follows (the set files, the import of a dump, the merge, the refresh), with
// one wording for each refusal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "card/card_table.h"

// Copies the ANSI code page's `bytes` into `field` of `card` with its
// terminator. Refuses, the field untouched and the reason in `why` ("holds a
// NUL character, ...", tooLongForField's), a text with a NUL or one that does
// not fit with its terminator.
bool storeFieldText(CardRecord& card, CardField field, std::string_view bytes, std::string& why);

// Why a text of `size` bytes does not fit `field`: "130 characters, the
// field holds at most 127".
std::string tooLongForField(CardField field, std::size_t size);

// Copies `field` of `from` into the same field of `to`.
void copyFieldOf(CardRecord& to, const CardRecord& from, CardField field);

// Why a table takes no more cards: "more than 8192 cards, the card table has
// 8192 slots".
std::string tableFullReason();

// The next free slot of `table` for the card `who` names in messages,
// counted in at once so that a failed fill still leaves every touched slot
// below slotCount; nullptr, with "WHO: " and tableFullReason in `error`,
// when the table has no free slot.
CardRecord* nextFreeSlot(CardTable& table, const std::string& who, std::string& error);
