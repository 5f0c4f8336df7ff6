// Reading a card file image into the card table in one walk that checks and
// fills together. A damaged file is still refused whole: the walk puts back
// every slot it touched (a free slot is zero again, a slot that held a card
// gets that card back), so the table is then exactly as before the call.
// The image comes from a source piece by piece as the walk goes, so a load
// never holds the whole file in memory.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "card/card_codec.h"

namespace {

constexpr std::size_t PieceSize = std::size_t{1} << 17;  // bytes read from a source at a time

// One run of the image that the walk reads front to back: the text blocks,
// or the header, card count and index entries. `cursor` holds the bytes at
// hand, the piece last read from the source.
struct Stream {
    ByteCursor cursor;
    std::size_t at;                   // image offset of cursor.data[0]
    std::size_t end;                  // image offset where this run ends
    const ImageSource* source;        // where the bytes come from
    std::vector<std::uint8_t> piece;  // the bytes read from the source
};

std::size_t offsetOf(const Stream& stream) {
    return stream.at + stream.cursor.pos;
}

std::size_t remaining(const Stream& stream) {
    return stream.end - offsetOf(stream);
}

// A run from `start` to `end` with nothing read yet.
Stream sourceStream(const ImageSource& source, std::size_t start, std::size_t end) {
    Stream stream{{nullptr, 0, 0}, start, end, &source, {}};
    stream.piece.resize(std::min(PieceSize, end - start));
    stream.cursor.data = stream.piece.data();
    return stream;
}

// Keeps the bytes not yet read and reads the next piece after them.
[[gnu::noinline]] bool refill(Stream& stream, FileProblem* problem) {
    const std::size_t kept = bytesLeft(stream.cursor);
    std::memmove(stream.piece.data(), stream.piece.data() + stream.cursor.pos, kept);
    stream.at += stream.cursor.pos;
    const std::size_t wanted = std::min(stream.piece.size() - kept, stream.end - stream.at - kept);
    if (!(*stream.source)(stream.at + kept, stream.piece.data() + kept, wanted, problem)) return false;
    stream.cursor = {stream.piece.data(), kept + wanted, 0};
    return true;
}

// Makes the next `count` bytes of the run at hand (the caller has checked
// that the run holds them, and a piece holds the longest string). Only a
// failing source makes this fail; the problem then says why.
inline bool fetch(Stream& stream, std::size_t count, FileProblem* problem) {
    return bytesLeft(stream.cursor) >= count || refill(stream, problem);
}

// Where the walk is: text blocks are read from offset 4 up to the index
// position, index entries from just after the card count to the end of the
// image.
struct Walk {
    Stream blocks;
    Stream entries;
    CardTable& table;
    int oldCount;      // slots in use before the call
    CardRecord* kept;  // the cards of slots 0 .. oldCount-1 that the walk has overwritten
    int touched;       // slots the walk has written to
    int card;          // index of the card being read
    CardRecord* slot;  // the slot being filled
    bool blocksDone;   // the current card's text block has been read
    bool countCarets;  // the caller wants notes: look for "^^" pairs
    FileProblem* problem;
    FileNotes notes;          // what a save would change
    std::size_t savedOffset;  // where a save puts the current card's text block
};

// Takes the next slot: a slot in use is kept aside and cleared; a free slot
// is zero already.
void takeSlot(Walk& walk) {
    walk.slot = &walk.table.slots[walk.card];
    if (walk.card < walk.oldCount) {
        std::memcpy(&walk.kept[walk.card], walk.slot, sizeof *walk.slot);
        std::memset(walk.slot, 0, sizeof *walk.slot);
    }
    walk.touched = walk.card + 1;
}

// Puts back every slot the walk has written to.
void putBack(Walk& walk) {
    for (int slot = 0; slot < walk.touched; ++slot) {
        if (slot < walk.oldCount)
            std::memcpy(&walk.table.slots[slot], &walk.kept[slot], sizeof walk.kept[slot]);
        else
            std::memset(&walk.table.slots[slot], 0, sizeof walk.table.slots[slot]);
    }
}

// Reads one length-prefixed string into its field. The stored string must fit
// the field with its terminator, whatever bytes it holds; all its bytes are
// consumed and the field receives them up to the first zero byte.
bool readString(Walk& walk, Stream& stream, CardField id, const char* limit) {
    const FieldInfo& field = Fields[static_cast<int>(id)];
    const std::size_t start = offsetOf(stream);
    unsigned length = 0;
    if (remaining(stream) < 2) {
        setProblem(walk.problem, start, "card %d: the length of its %s runs past %s", walk.card + 1,
                   field.label, limit);
        return false;
    }
    if (!fetch(stream, 2, walk.problem) || !readWord(stream.cursor, length)) return false;
    if (remaining(stream) < length) {
        setProblem(walk.problem, start, "card %d: its %s of %u bytes runs past %s", walk.card + 1,
                   field.label, length, limit);
        return false;
    }
    if (length >= static_cast<unsigned>(field.width)) {
        setProblem(walk.problem, start, "card %d: its %s is %u bytes long, the field holds at most %d",
                   walk.card + 1, field.label, length, field.width - 1);
        return false;
    }
    if (!fetch(stream, length, walk.problem)) return false;
    const std::uint8_t* text = stream.cursor.data + stream.cursor.pos;
    const void* zero = length ? std::memchr(text, 0, length) : nullptr;
    const std::size_t kept = zero ? static_cast<const std::uint8_t*>(zero) - text : length;
    if (kept < length) walk.notes.truncatedAtZero++;
    if (!walk.blocksDone) walk.savedOffset += 2 + kept;
    const char* bytes = reinterpret_cast<const char*>(text);
    if (walk.countCarets && findCaretPair(bytes, kept)) walk.notes.caretPairs++;
    // The field's other bytes are zero already (a taken slot is cleared).
    char* dest = fieldText(*walk.slot, id);
    std::memcpy(dest, bytes, kept);
    dest[kept] = '\0';
    stream.cursor.pos += length;
    return true;
}

bool readTextBlock(Walk& walk) {
    for (CardField id : BlockFields) {
        if (!readString(walk, walk.blocks, id, "the index position")) return false;
    }
    return true;
}

bool readIndexEntry(Walk& walk, std::size_t expectedBlockOffset) {
    const char* limit = "the end of the file";
    Stream& entries = walk.entries;
    if (!readString(walk, entries, CardField::Name, limit)) return false;
    std::size_t at = offsetOf(entries);
    std::uint32_t blockOffset = 0;
    unsigned fourth = 0, colours = 0, reserved = 0;
    if (remaining(entries) < 5) {
        setProblem(walk.problem, at, "card %d: its block offset and colours run past %s", walk.card + 1,
                   limit);
        return false;
    }
    if (!fetch(entries, 5, walk.problem) || !readFourByteValue(entries.cursor, blockOffset, fourth) ||
        !readByte(entries.cursor, colours))
        return false;
    if (fourth != 0) walk.notes.nonzeroFourthBytes++;
    if (blockOffset != expectedBlockOffset) walk.notes.movedBlockOffsets++;
    if (!readString(walk, entries, CardField::Edition, limit)) return false;
    at = offsetOf(entries);
    if (remaining(entries) < 2) {
        setProblem(walk.problem, at, "card %d: its reserved bytes run past %s", walk.card + 1, limit);
        return false;
    }
    if (!fetch(entries, 2, walk.problem) || !readWord(entries.cursor, reserved)) return false;
    if (reserved != 0) walk.notes.nonzeroReservedBytes++;
    walk.slot->colours = static_cast<std::int32_t>(colours);
    walk.slot->active = 1;
    return true;
}

// Reads a four-byte integer of the header run.
bool readHeaderValue(Stream& stream, std::uint32_t& value, unsigned& fourth, FileProblem* problem) {
    return fetch(stream, 4, problem) && readFourByteValue(stream.cursor, value, fourth);
}

// Walks the whole image: the header, then the text blocks and the index
// entries side by side.
int walkImage(std::size_t size, const ImageSource& source, CardTable& table, FileProblem* problem,
              FileNotes* notes) {
    FileNotes found;
    std::uint32_t indexPosition = 0, cardCount = 0;
    unsigned fourth = 0;
    if (size < 4) {
        setProblem(problem, 0, "the file is %lu bytes long, too short for its index position",
                   static_cast<unsigned long>(size));
        return 0;
    }
    Stream entries = sourceStream(source, 0, size);
    if (!readHeaderValue(entries, indexPosition, fourth, problem)) return 0;
    if (fourth != 0) found.nonzeroFourthBytes++;
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
    // The card count and the entries follow the index position.
    entries.at = indexPosition;
    entries.cursor = {entries.piece.data(), 0, 0};
    if (!readHeaderValue(entries, cardCount, fourth, problem)) return 0;
    if (fourth != 0) found.nonzeroFourthBytes++;
    if (cardCount > static_cast<std::uint32_t>(MaxCards)) {
        setProblem(problem, indexPosition, "the card count %lu exceeds the %d slots of the card table",
                   static_cast<unsigned long>(cardCount), MaxCards);
        return 0;
    }
    const int oldCount = liveSlots(table);
    const int keptCount = std::min(oldCount, static_cast<int>(cardCount));
    std::unique_ptr<CardRecord[]> kept(keptCount ? new (std::nothrow) CardRecord[keptCount] : nullptr);
    if (keptCount && !kept) {
        setProblem(problem, 0, "not enough memory to keep the cards in memory while the file loads");
        return 0;
    }
    Walk walk{sourceStream(source, 4, indexPosition),
              std::move(entries),
              table,
              oldCount,
              kept.get(),
              0,
              0,
              nullptr,
              false,
              notes != nullptr,
              problem,
              found,
              4};

    for (walk.card = 0; walk.card < static_cast<int>(cardCount); ++walk.card) {
        takeSlot(walk);
        // A save puts this block right after the previous one, holding only
        // the bytes before any zero byte.
        std::size_t expected = walk.savedOffset;
        walk.blocksDone = false;
        bool read = readTextBlock(walk);
        walk.blocksDone = true;
        if (!read || !readIndexEntry(walk, expected)) {
            putBack(walk);
            return 0;
        }
    }
    walk.notes.unusedBlockBytes = indexPosition - offsetOf(walk.blocks);
    walk.notes.trailingBytes = size - offsetOf(walk.entries);
    if (notes) *notes = walk.notes;
    // Slots past the new count are free again and must be zero.
    for (int slot = static_cast<int>(cardCount); slot < oldCount; ++slot)
        std::memset(&table.slots[slot], 0, sizeof table.slots[slot]);
    table.slotCount = static_cast<int>(cardCount);
    return 1;
}

}  // namespace

int decodeCardSource(std::size_t size, const ImageSource& source, CardTable& table, FileProblem* problem,
                     FileNotes* notes) {
    try {
        return walkImage(size, source, table, problem, notes);
    } catch (const std::bad_alloc&) {
        setProblem(problem, 0, "not enough memory to read the card file");
        return 0;
    }
}
