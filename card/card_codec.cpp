// The small helpers shared by the decoder, the encoder
// and the file operations.
#include "card/card_codec.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

const char* findCaretPair(const char* text, std::size_t length) {
    // memchr finds each candidate quickly; card text rarely holds a caret.
    std::size_t i = 0;
    while (i + 1 < length) {
        const void* caret = std::memchr(text + i, '^', length - 1 - i);
        if (!caret) return nullptr;
        i = static_cast<std::size_t>(static_cast<const char*>(caret) - text);
        if (text[i + 1] == '^') return text + i;
        i += 2;  // the byte after this caret is not one
    }
    return nullptr;
}

bool convertCaretPairs(char* text, std::size_t length) {
    const char* end = text + length;
    bool changed = false;
    for (const char* pair = findCaretPair(text, length); pair;
         pair = findCaretPair(pair + 2, end - pair - 2)) {
        char* at = text + (pair - text);
        at[0] = '\r';
        at[1] = '\n';
        changed = true;
    }
    return changed;
}

void setProblem(FileProblem* problem, std::size_t offset, const char* format, ...) {
    if (!problem) return;
    problem->offset = offset;
    va_list args;
    va_start(args, format);
    std::vsnprintf(problem->what, sizeof problem->what, format, args);
    va_end(args);
}
