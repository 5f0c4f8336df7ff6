// Writing the card table as a card file image, and the "^^" to CR LF
// conversion that a save applies to the cards in memory. The table is
// measured once; the image then goes out in pieces small enough to stay in
// the cache, so a save never holds the whole image in memory.
#include <cstdint>
#include <cstring>

#include "card/card_codec.h"

namespace {

// Length of a field's text, or -1 when the field lacks its terminator.
long fieldLength(const CardRecord& card, CardField id) {
    const FieldInfo& field = fieldInfo[static_cast<int>(id)];
    std::size_t length = strnlen(fieldText(card, id), static_cast<std::size_t>(field.width));
    return length < static_cast<std::size_t>(field.width) ? static_cast<long>(length) : -1;
}

std::size_t lengthOf(const EncodedCard& card, CardField id) {
    return card.length[static_cast<int>(id)];
}

std::size_t textBlockSize(const EncodedCard& card) {
    std::size_t size = 0;
    for (CardField id : blockFields) size += 2 + lengthOf(card, id);
    return size;
}

std::size_t indexEntrySize(const EncodedCard& card) {
    return 11 + lengthOf(card, CardField::Name) + lengthOf(card, CardField::Edition);
}

// Length prefix, then the bytes with every "^^" pair written as CR LF; notes
// in `encoded` whether the field held such a pair.
void putString(std::vector<std::uint8_t>& out, const CardRecord& card, CardField id, EncodedCard& encoded) {
    const std::size_t length = lengthOf(encoded, id);
    if (fieldInfo[static_cast<int>(id)].wideLength) {
        putWord(out, static_cast<unsigned>(length));
    } else {
        putByte(out, static_cast<unsigned>(length));
        putByte(out, 0);
    }
    const std::size_t start = out.size();
    const auto* text = reinterpret_cast<const std::uint8_t*>(fieldText(card, id));
    out.insert(out.end(), text, text + length);  // copied once, not zeroed first
    if (convertCaretPairs(reinterpret_cast<char*>(out.data() + start), length))
        encoded.caretFields |= static_cast<std::uint8_t>(1u << static_cast<int>(id));
}

// Hands the buffered bytes to the sink once there are enough of them (or at
// the end), then empties the buffer. Without a sink the buffer keeps them.
bool drain(std::vector<std::uint8_t>& buffer, const ImageSink& sink, bool last) {
    if (!sink || (buffer.size() < EncodeChunk && !(last && !buffer.empty()))) return true;
    const bool taken = sink(buffer.data(), buffer.size()) != 0;
    buffer.clear();
    return taken;
}

}  // namespace

int measureCards(const CardTable& table, std::vector<EncodedCard>& cards, std::size_t& imageSize,
                 FileProblem* problem) {
    if (table.slotCount < 0 || table.slotCount > MaxCards) {
        setProblem(problem, 0, "the card table claims %d slots in use, it has %d", table.slotCount, MaxCards);
        return 0;
    }
    cards.clear();
    cards.reserve(static_cast<std::size_t>(table.slotCount));
    std::size_t position = 4, entries = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        const CardRecord& card = table.slots[s];
        if (!card.active) continue;
        EncodedCard& measured = cards.emplace_back();
        measured.caretFields = 0;
        for (const FieldInfo& field : fieldInfo) {
            const long length = fieldLength(card, field.id);
            if (length < 0) {
                setProblem(problem, position,
                           "the %s of the card in slot %d is not terminated within its %d bytes", field.label,
                           s, field.width);
                return 0;
            }
            measured.length[static_cast<int>(field.id)] = static_cast<std::uint16_t>(length);
        }
        position += textBlockSize(measured);
        entries += indexEntrySize(measured);
    }
    if (position > MaxFourByteValue) {
        setProblem(problem, position,
                   "the text blocks would end at offset %lu, beyond the %lu that the file's offsets can hold",
                   static_cast<unsigned long>(position), static_cast<unsigned long>(MaxFourByteValue));
        return 0;
    }
    imageSize = position + 4 + entries;
    return 1;
}

int encodeImage(const CardTable& table, std::vector<EncodedCard>& cards, std::vector<std::uint8_t>& buffer,
                const ImageSink& sink) {
    std::size_t indexPosition = 4;
    for (const EncodedCard& card : cards) indexPosition += textBlockSize(card);

    putFourByteValue(buffer, static_cast<std::uint32_t>(indexPosition));
    std::size_t next = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        if (!table.slots[s].active) continue;
        EncodedCard& encoded = cards[next++];
        for (CardField id : blockFields) putString(buffer, table.slots[s], id, encoded);
        if (!drain(buffer, sink, false)) return 0;
    }
    putFourByteValue(buffer, static_cast<std::uint32_t>(cards.size()));
    std::size_t blockOffset = 4;
    next = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        const CardRecord& card = table.slots[s];
        if (!card.active) continue;
        EncodedCard& encoded = cards[next++];
        putString(buffer, card, CardField::Name, encoded);
        putFourByteValue(buffer, static_cast<std::uint32_t>(blockOffset));
        putByte(buffer, static_cast<unsigned>(card.colours));
        putString(buffer, card, CardField::Edition, encoded);
        putWord(buffer, 0);
        blockOffset += textBlockSize(encoded);
        if (!drain(buffer, sink, false)) return 0;
    }
    return drain(buffer, sink, true) ? 1 : 0;
}

void recordBlockOffsets(CardTable& table, const std::vector<EncodedCard>& cards) {
    std::size_t blockOffset = 4, next = 0;
    for (int s = 0; s < table.slotCount && s < MaxCards && next < cards.size(); ++s) {
        CardRecord& card = table.slots[s];
        if (!card.active) continue;
        card.blockOffset = static_cast<std::int32_t>(blockOffset);
        blockOffset += textBlockSize(cards[next++]);
    }
}

void convertEncodedCarets(CardTable& table, const std::vector<EncodedCard>& cards) {
    std::size_t next = 0;
    for (int s = 0; s < table.slotCount && s < MaxCards && next < cards.size(); ++s) {
        CardRecord& card = table.slots[s];
        if (!card.active) continue;
        const EncodedCard& encoded = cards[next++];
        if (!encoded.caretFields) continue;
        for (const FieldInfo& field : fieldInfo) {
            if (encoded.caretFields & (1u << static_cast<int>(field.id)))
                convertCaretPairs(fieldText(card, field.id), lengthOf(encoded, field.id));
        }
    }
}

int encodeCards(CardTable& table, std::vector<std::uint8_t>& out, FileProblem* problem) {
    out.clear();
    std::vector<EncodedCard> cards;
    std::size_t imageSize = 0;
    if (!measureCards(table, cards, imageSize, problem)) return 0;
    out.reserve(imageSize);
    encodeImage(table, cards, out, nullptr);
    recordBlockOffsets(table, cards);
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
