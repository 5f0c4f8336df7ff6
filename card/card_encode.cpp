// Writing the card table as a card file image, and the "^^" to CR LF
// conversion that a save applies to the cards in memory.
#include <cstring>

#include "card/card_codec.h"

namespace {

// Length of a field's text, or -1 when the field lacks its terminator.
long fieldLength(const CardRecord& card, CardField id) {
    const FieldInfo& field = fieldInfo[static_cast<int>(id)];
    std::size_t length = strnlen(fieldText(card, id), static_cast<std::size_t>(field.width));
    return length < static_cast<std::size_t>(field.width) ? static_cast<long>(length) : -1;
}

std::size_t textBlockSize(const CardRecord& card) {
    std::size_t size = 0;
    for (CardField id : blockFields) size += 2 + static_cast<std::size_t>(fieldLength(card, id));
    return size;
}

std::size_t indexEntrySize(const CardRecord& card) {
    return 11 + static_cast<std::size_t>(fieldLength(card, CardField::Name)) +
           static_cast<std::size_t>(fieldLength(card, CardField::Edition));
}

// Length prefix, then the bytes with every "^^" pair written as CR LF.
void putString(std::vector<std::uint8_t>& out, const CardRecord& card, CardField id) {
    std::size_t length = static_cast<std::size_t>(fieldLength(card, id));
    if (fieldInfo[static_cast<int>(id)].wideLength) {
        putWord(out, static_cast<unsigned>(length));
    } else {
        putByte(out, static_cast<unsigned>(length));
        putByte(out, 0);
    }
    std::size_t start = out.size();
    const char* text = fieldText(card, id);
    out.insert(out.end(), text, text + length);
    convertCaretPairs(reinterpret_cast<char*>(out.data() + start), length);
}

// Checks that the table can be written: a sane slot count, every field of
// every active card terminated within its width, and an index position
// within the four-byte integers. Gives P and the size of the whole image.
int measureTable(const CardTable& table, std::size_t& indexPosition, std::size_t& imageSize,
                 FileProblem* problem) {
    if (table.slotCount < 0 || table.slotCount > MaxCards) {
        setProblem(problem, 0, "the card table claims %d slots in use, it has %d", table.slotCount, MaxCards);
        return 0;
    }
    std::size_t position = 4, entries = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        const CardRecord& card = table.slots[s];
        if (!card.active) continue;
        for (const FieldInfo& field : fieldInfo) {
            if (fieldLength(card, field.id) < 0) {
                setProblem(problem, position,
                           "the %s of the card in slot %d is not terminated within its %d bytes", field.label,
                           s, field.width);
                return 0;
            }
        }
        position += textBlockSize(card);
        entries += indexEntrySize(card);
    }
    if (position > MaxFourByteValue) {
        setProblem(problem, position,
                   "the text blocks would end at offset %lu, beyond the %lu that the file's offsets can hold",
                   static_cast<unsigned long>(position), static_cast<unsigned long>(MaxFourByteValue));
        return 0;
    }
    indexPosition = position;
    imageSize = position + 4 + entries;
    return 1;
}

}  // namespace

int encodeImage(const CardTable& table, std::vector<std::uint8_t>& out, FileProblem* problem) {
    out.clear();
    std::size_t indexPosition = 0, imageSize = 0;
    if (!measureTable(table, indexPosition, imageSize, problem)) return 0;
    out.reserve(imageSize);

    putFourByteValue(out, static_cast<std::uint32_t>(indexPosition));
    std::uint32_t cardCount = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        if (!table.slots[s].active) continue;
        for (CardField id : blockFields) putString(out, table.slots[s], id);
        cardCount++;
    }
    putFourByteValue(out, cardCount);
    std::size_t blockOffset = 4;
    for (int s = 0; s < table.slotCount; ++s) {
        const CardRecord& card = table.slots[s];
        if (!card.active) continue;
        putString(out, card, CardField::Name);
        putFourByteValue(out, static_cast<std::uint32_t>(blockOffset));
        putByte(out, static_cast<unsigned>(card.colours));
        putString(out, card, CardField::Edition);
        putWord(out, 0);
        blockOffset += textBlockSize(card);
    }
    return 1;
}

void recordBlockOffsets(CardTable& table) {
    std::size_t blockOffset = 4;
    for (int s = 0; s < table.slotCount && s < MaxCards; ++s) {
        CardRecord& card = table.slots[s];
        if (!card.active) continue;
        card.blockOffset = static_cast<std::int32_t>(blockOffset);
        blockOffset += textBlockSize(card);
    }
}

int encodeCards(CardTable& table, std::vector<std::uint8_t>& out, FileProblem* problem) {
    if (!encodeImage(table, out, problem)) return 0;
    recordBlockOffsets(table);
    return 1;
}

void convertLineBreaks(CardTable& table) {
    for (int s = 0; s < table.slotCount && s < MaxCards; ++s) {
        CardRecord& card = table.slots[s];
        if (!card.active) continue;
        for (const FieldInfo& field : fieldInfo) {
            char* text = fieldText(card, field.id);
            convertCaretPairs(text, strnlen(text, static_cast<std::size_t>(field.width)));
        }
    }
}
