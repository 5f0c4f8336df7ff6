// The card file's byte layout inside the card module: the decoder (one walk
// over an image source, which the loader feeds from the file), the encoder,
// and what they share: the bounds-checked byte cursor, the little-endian
// helpers and the order of the text fields in the file. Tests, the fuzzer and
// the benchmarks use the encoder directly; the program loads and saves
// through card_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "card/card_file.h"
#include "card/card_table.h"

constexpr std::uint32_t MaxFourByteValue = 16777215;  // three bytes of value

// A read position inside a file image. Every read checks the bytes that
// remain; a read that does not fit leaves the position where it was.
struct ByteCursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

inline std::size_t bytesLeft(const ByteCursor& cursor) {
    return cursor.size - cursor.pos;
}

inline bool readByte(ByteCursor& cursor, unsigned& value) {
    if (bytesLeft(cursor) < 1) return false;
    value = cursor.data[cursor.pos++];
    return true;
}

inline bool readWord(ByteCursor& cursor, unsigned& value) {
    if (bytesLeft(cursor) < 2) return false;
    value = cursor.data[cursor.pos] | (cursor.data[cursor.pos + 1] << 8);
    cursor.pos += 2;
    return true;
}

// A four-byte integer of the card file: the value lives in the first three
// bytes, the fourth is ignored (reported through `fourthByte`).
inline bool readFourByteValue(ByteCursor& cursor, std::uint32_t& value, unsigned& fourthByte) {
    if (bytesLeft(cursor) < 4) return false;
    const std::uint8_t* p = cursor.data + cursor.pos;
    value = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    fourthByte = p[3];
    cursor.pos += 4;
    return true;
}

inline void putByte(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

inline void putWord(std::vector<std::uint8_t>& out, unsigned value) {
    putByte(out, value);
    putByte(out, value >> 8);
}

// Writes v (at most MaxFourByteValue) in three bytes and a zero fourth byte.
inline void putFourByteValue(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putByte(out, value);
    putByte(out, value >> 8);
    putByte(out, value >> 16);
    putByte(out, 0);
}

// Fields of a text block and of an index entry, in file order.
constexpr CardField BlockFields[5] = {CardField::Type, CardField::Cost, CardField::Pt, CardField::Text,
                                      CardField::Comment};

// Bytes of an index entry besides its name and edition: their two length
// words, the block offset, the colour byte and the two reserved bytes.
constexpr std::size_t IndexEntryFixedBytes = 2 + 4 + 1 + 2 + 2;

// The first "^^" pair in the first `length` bytes of `text`, or nullptr.
const char* findCaretPair(const char* text, std::size_t length);

// Turns each "^^" pair of the first `length` bytes of `text` into CR LF,
// scanning left to right so that pairs never overlap. True when it changed
// anything.
bool convertCaretPairs(char* text, std::size_t length);

// Reports a problem: offset and a formatted reason (bounded to its field).
void setProblem(FileProblem* problem, std::size_t offset, const char* format, ...);

// What encoding learns about one active card: the lengths of its fields,
// measured once (finding a terminator reads the whole string), and which of
// them held a "^^" pair (bit i for CardField i).
struct EncodedCard {
    std::uint16_t length[7];
    std::uint8_t caretFields;
};

// Reads `count` bytes of an image from its offset `offset` into `into`.
// Returns 0 with the reason in `problem` when it cannot read them all.
using ImageSource =
    std::function<int(std::size_t offset, std::uint8_t* into, std::size_t count, FileProblem* problem)>;

// Decodes an image of `size` bytes into `table` as loadCardFile describes,
// reading it from `source` piece by piece as the walk goes (each run of it
// front to back), so that a load never holds the whole file in memory. On any
// problem 0 is returned and the table is exactly as it was (the slots the
// walk wrote to are put back). `notes`, when given, receives what a save
// would change.
int decodeCardSource(std::size_t size, const ImageSource& source, CardTable& table, FileProblem* problem,
                     FileNotes* notes);

// Receives an encoded image in pieces; each piece's bytes belong at `offset`
// of the image. They come front to back, except the first four bytes (the
// index position, known once every text block is measured), which come again
// at the end, at offset 0. Returns 0 to stop.
using ImageSink = std::function<int(std::size_t offset, const std::uint8_t* bytes, std::size_t count)>;

constexpr std::size_t EncodeChunk = std::size_t{1} << 18;  // about this many bytes per piece

// Checks, measures and encodes the active slots in slot order without
// changing the table, reading each text block's fields from memory once:
// the slot count must be sane, every field of every active card terminated
// within its width and the index position within the four-byte integers;
// when a check fails nothing more goes to the sink and 0 comes back with the
// reason in `problem`. Appends to `buffer`; with a sink the buffer is handed
// to it and emptied whenever it holds EncodeChunk bytes or more, and at the
// end; without one it ends up holding the whole image. Fills `cards` with
// what it measured and gives the image's size. Returns 0 also when the sink
// stops it.
int encodeImage(const CardTable& table, std::vector<EncodedCard>& cards, std::vector<std::uint8_t>& buffer,
                const ImageSink& sink, std::size_t& imageSize, FileProblem* problem);

// Stores in each active slot the offset its text block has in the image.
void recordBlockOffsets(CardTable& table, const std::vector<EncodedCard>& cards);

// Turns "^^" into CR LF in the fields that encoding found holding one.
void convertEncodedCarets(CardTable& table, const std::vector<EncodedCard>& cards);

// Encodes the active slots of `table` in slot order into `out`, as a save
// writes them: contiguous block offsets, zero fourth bytes and reserved bytes,
// "^^" pairs written as CR LF. Sets blockOffset of each active slot. The text
// fields are not changed. Returns 0 (and `out` empty) when an offset or the
// index position would exceed MaxFourByteValue.
int encodeCards(CardTable& table, std::vector<std::uint8_t>& out, FileProblem* problem);

// Turns every "^^" pair in the seven strings of each active slot into CR LF,
// in place, as a save does.
void convertLineBreaks(CardTable& table);
