// The card table, the table of its text fields and the small helpers that
// every user of it shares.
#include "card/card_table.h"

#include <cstring>

CardTable cardTable;

const FieldInfo Fields[FieldCount] = {
    {CardField::Name, offsetof(CardRecord, name), NameWidth, false, "name", "New card", "name"},
    {CardField::Edition, offsetof(CardRecord, edition), EditionWidth, false, "edition", "Edition", "edition"},
    {CardField::Type, offsetof(CardRecord, type), TypeWidth, false, "type", "Type", "type"},
    {CardField::Cost, offsetof(CardRecord, cost), CostWidth, false, "cost", "Cost", "cost"},
    {CardField::Pt, offsetof(CardRecord, pt), PtWidth, false, "P/T", "P/T", "pt"},
    {CardField::Text, offsetof(CardRecord, text), TextWidth, true, "text", "Text", "text"},
    {CardField::Comment, offsetof(CardRecord, comment), CommentWidth, true, "comment", "Comment", "comment"},
};

int copyField(char* field, int width, const char* src) {
    if (width <= 0) return 0;
    std::size_t length = strnlen(src, static_cast<std::size_t>(width));
    if (length >= static_cast<std::size_t>(width)) return 0;
    std::memcpy(field, src, length);
    field[length] = '\0';
    return 1;
}

const char* colourLabel(int colours) {
    for (int bit = ColourCount - 1; bit >= 0; --bit) {
        if (colours & (1 << bit)) return ColourNames[bit];
    }
    return nullptr;
}

void clearCardTable(CardTable& table) {
    std::memset(&table, 0, sizeof table);
}
