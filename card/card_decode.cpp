// Reading a card file image into the card table. The image is walked twice by
// the same code: once to check everything the format promises (nothing is
// written), and only when that succeeds once more to fill the table, so a
// damaged file never leaves a half-filled table behind. Only the filling walk
// looks inside the strings: it copies them and counts the notes on what a
// save would change.
#include <cstring>

#include "card/card_codec.h"

namespace {

// Where one walk over the image is: text blocks are read from offset 4 up to
// the index position, index entries from just after the card count to the
// end of the image.
struct Walk {
    ByteCursor blocks;
    ByteCursor entries;
    int card;          // index of the card being read
    CardRecord* slot;  // slot being filled, or null while checking
    bool blocksDone;   // the current card's text block has been read
    FileProblem* problem;
    FileNotes notes;          // what a save would change, counted while filling
    std::size_t savedOffset;  // where a save puts the current card's text block
};

// The checking walk reads only length prefixes and jumps from one to the
// next, so it would wait on memory at every jump; asking for the bytes a few
// blocks ahead while it passes over a string keeps them coming in time.
void prefetchAhead(const ByteCursor& cursor, std::size_t from, std::size_t count) {
    constexpr std::size_t ahead = 16384, line = 64;
    for (std::size_t at = from + ahead; at < from + count + ahead && at < cursor.size; at += line)
        __builtin_prefetch(cursor.data + at);
}

// Reads one length-prefixed string into its field. The stored string must fit
// the field with its terminator, whatever bytes it holds; all its bytes are
// consumed and the field receives them up to the first zero byte.
bool readString(Walk& walk, ByteCursor& cursor, CardField id, const char* limit) {
    const FieldInfo& field = fieldInfo[static_cast<int>(id)];
    std::size_t start = cursor.pos;
    unsigned length = 0;
    if (!readWord(cursor, length)) {
        setProblem(walk.problem, start, "card %d: the length of its %s runs past %s", walk.card + 1,
                   field.label, limit);
        return false;
    }
    if (bytesLeft(cursor) < length) {
        setProblem(walk.problem, start, "card %d: its %s of %u bytes runs past %s", walk.card + 1,
                   field.label, length, limit);
        cursor.pos = start;
        return false;
    }
    if (length >= static_cast<unsigned>(field.width)) {
        setProblem(walk.problem, start, "card %d: its %s is %u bytes long, the field holds at most %d",
                   walk.card + 1, field.label, length, field.width - 1);
        cursor.pos = start;
        return false;
    }
    const std::uint8_t* text = cursor.data + cursor.pos;
    if (!walk.slot) prefetchAhead(cursor, start, 2 + length);
    if (walk.slot) {
        const void* zero = length ? std::memchr(text, 0, length) : nullptr;
        const std::size_t kept = zero ? static_cast<const std::uint8_t*>(zero) - text : length;
        if (kept < length) walk.notes.truncatedAtZero++;
        if (!walk.blocksDone) walk.savedOffset += 2 + kept;
        const char* bytes = reinterpret_cast<const char*>(text);
        if (findCaretPair(bytes, kept)) walk.notes.caretPairs++;
        char* dest = fieldText(*walk.slot, id);
        std::memcpy(dest, bytes, kept);
        dest[kept] = '\0';
    }
    cursor.pos += length;
    return true;
}

bool readTextBlock(Walk& walk) {
    for (CardField id : blockFields) {
        if (!readString(walk, walk.blocks, id, "the index position")) return false;
    }
    return true;
}

bool readIndexEntry(Walk& walk, std::size_t expectedBlockOffset) {
    const char* limit = "the end of the file";
    if (!readString(walk, walk.entries, CardField::Name, limit)) return false;
    std::size_t at = walk.entries.pos;
    std::uint32_t blockOffset = 0;
    unsigned fourth = 0, colours = 0, reserved = 0;
    if (!readFourByteValue(walk.entries, blockOffset, fourth) || !readByte(walk.entries, colours)) {
        setProblem(walk.problem, at, "card %d: its block offset and colours run past %s", walk.card + 1,
                   limit);
        return false;
    }
    if (fourth != 0) walk.notes.nonzeroFourthBytes++;
    if (walk.slot && blockOffset != expectedBlockOffset) walk.notes.movedBlockOffsets++;
    if (!readString(walk, walk.entries, CardField::Edition, limit)) return false;
    at = walk.entries.pos;
    if (!readWord(walk.entries, reserved)) {
        setProblem(walk.problem, at, "card %d: its reserved bytes run past %s", walk.card + 1, limit);
        return false;
    }
    if (reserved != 0) walk.notes.nonzeroReservedBytes++;
    if (walk.slot) {
        walk.slot->colours = static_cast<std::int32_t>(colours);
        walk.slot->active = 1;
    }
    return true;
}

// Walks the whole image. With `table` null it only checks; otherwise it fills
// slots 0 .. N-1 (the caller has checked the image first).
int walkImage(const std::uint8_t* data, std::size_t size, CardTable* table, FileProblem* problem,
              FileNotes& notes) {
    Walk walk{{data, size, 0}, {data, size, 0}, 0, nullptr, false, problem, {}, 4};
    std::uint32_t indexPosition = 0, cardCount = 0;
    unsigned fourth = 0;
    if (!readFourByteValue(walk.entries, indexPosition, fourth)) {
        setProblem(problem, 0, "the file is %lu bytes long, too short for its index position",
                   static_cast<unsigned long>(size));
        return 0;
    }
    if (fourth != 0) walk.notes.nonzeroFourthBytes++;
    if (indexPosition < 4) {
        setProblem(problem, 0, "the index position %lu lies inside the 4-byte header",
                   static_cast<unsigned long>(indexPosition));
        return 0;
    }
    if (indexPosition > size - 4) {
        setProblem(problem, 0,
                   "the index position %lu leaves no room for the card count in a file of %lu bytes",
                   static_cast<unsigned long>(indexPosition), static_cast<unsigned long>(size));
        return 0;
    }
    walk.entries.pos = indexPosition;
    readFourByteValue(walk.entries, cardCount, fourth);
    if (fourth != 0) walk.notes.nonzeroFourthBytes++;
    if (cardCount > static_cast<std::uint32_t>(MaxCards)) {
        setProblem(problem, indexPosition, "the card count %lu exceeds the %d slots of the card table",
                   static_cast<unsigned long>(cardCount), MaxCards);
        return 0;
    }
    walk.blocks = {data, indexPosition, 4};

    for (walk.card = 0; walk.card < static_cast<int>(cardCount); ++walk.card) {
        walk.slot = table ? &table->slots[walk.card] : nullptr;
        if (walk.slot) std::memset(walk.slot, 0, sizeof *walk.slot);
        // A save puts this block right after the previous one, holding only
        // the bytes before any zero byte.
        std::size_t expected = walk.savedOffset;
        walk.blocksDone = false;
        if (!readTextBlock(walk)) return 0;
        walk.blocksDone = true;
        if (!readIndexEntry(walk, expected)) return 0;
    }
    walk.notes.unusedBlockBytes = indexPosition - walk.blocks.pos;
    walk.notes.trailingBytes = size - walk.entries.pos;
    notes = walk.notes;
    if (table) {
        // Slots past the new count are free again and must be zero.
        for (int slot = static_cast<int>(cardCount); slot < table->slotCount && slot < MaxCards; ++slot) {
            std::memset(&table->slots[slot], 0, sizeof table->slots[slot]);
        }
        table->slotCount = static_cast<int>(cardCount);
    }
    return 1;
}

}  // namespace

int decodeCards(const std::uint8_t* data, std::size_t size, CardTable& table, FileProblem* problem,
                FileNotes* notes) {
    FileNotes found;
    if (!walkImage(data, size, nullptr, problem, found)) return 0;
    walkImage(data, size, &table, problem, found);
    if (notes) *notes = found;
    return 1;
}
