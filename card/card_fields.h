// Storing a text in a card's field: the one rule every writer of a record
// follows (the set files, the import of a dump, the merge).
#pragma once

#include <string>
#include <string_view>

#include "card/card_table.h"

// Copies the Windows-1252 `bytes` into `field` of `card` with its
// terminator. Refuses, the field untouched and the reason in `why` ("holds a
// NUL character, ...", "130 characters, the field holds at most 127"), a
// text with a NUL or one that does not fit with its terminator.
bool storeFieldText(CardRecord& card, CardField field, std::string_view bytes, std::string& why);
