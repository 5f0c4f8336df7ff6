// The field table and the small helpers shared by the decoder, the encoder
// and the file operations.
#include "card/card_codec.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>

const FieldInfo fieldInfo[7] = {
    {CardField::Name, offsetof(CardRecord, name), NameWidth, false, "name"},
    {CardField::Edition, offsetof(CardRecord, edition), EditionWidth, false, "edition"},
    {CardField::Type, offsetof(CardRecord, type), TypeWidth, false, "type"},
    {CardField::Cost, offsetof(CardRecord, cost), CostWidth, false, "cost"},
    {CardField::Pt, offsetof(CardRecord, pt), PtWidth, false, "P/T"},
    {CardField::Text, offsetof(CardRecord, text), TextWidth, true, "text"},
    {CardField::Comment, offsetof(CardRecord, comment), CommentWidth, true, "comment"},
};

void convertCaretPairs(char* text, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; ++i) {
        if (text[i] == '^' && text[i + 1] == '^') {
            text[i] = '\r';
            text[i + 1] = '\n';
        }
    }
}

void setProblem(FileProblem* problem, std::size_t offset, const char* format, ...) {
    if (!problem) return;
    problem->offset = offset;
    va_list args;
    va_start(args, format);
    std::vsnprintf(problem->what, sizeof problem->what, format, args);
    va_end(args);
}
