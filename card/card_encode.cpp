// Writing the card table as a card file image, and the "^^" to CR LF
// conversion that a save applies to the cards in memory. Each text block is
// measured and copied while its fields are in the cache, and the image goes
// out in pieces small enough to stay there, so a save reads the table's text
// once and never holds the whole image in memory.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "card/card_codec.h"

namespace {

// Length of a field's text, or -1 when the field lacks its terminator.
long fieldLength(const CardRecord& card, CardField id) {
    const FieldInfo& field = Fields[static_cast<int>(id)];
    std::size_t length = strnlen(fieldText(card, id), static_cast<std::size_t>(field.width));
    return length < static_cast<std::size_t>(field.width) ? static_cast<long>(length) : -1;
}

std::size_t lengthOf(const EncodedCard& card, CardField id) {
    return card.length[static_cast<int>(id)];
}

std::size_t textBlockSize(const EncodedCard& card) {
    std::size_t size = 0;
    for (CardField id : BlockFields) size += 2 + lengthOf(card, id);
    return size;
}

std::size_t indexEntrySize(const EncodedCard& card) {
    return IndexEntryFixedBytes + lengthOf(card, CardField::Name) + lengthOf(card, CardField::Edition);
}

// Length prefix, then the bytes with every "^^" pair written as CR LF; notes
// in `encoded` whether the field held such a pair.
void putString(std::vector<std::uint8_t>& out, const CardRecord& card, CardField id, EncodedCard& encoded) {
    const std::size_t length = lengthOf(encoded, id);
    if (Fields[static_cast<int>(id)].wideLength) {
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
// the end), then empties the buffer; `sent` counts the bytes handed on.
// Without a sink the buffer keeps them.
bool drain(std::vector<std::uint8_t>& buffer, const ImageSink& sink, std::size_t& sent, bool last) {
    if (!sink || (buffer.size() < EncodeChunk && !(last && !buffer.empty()))) return true;
    const bool taken = sink(sent, buffer.data(), buffer.size()) != 0;
    sent += buffer.size();
    buffer.clear();
    return taken;
}

// Measures every field of `card` into `measured`; false when one lacks its
// terminator, with the reason (at file offset `position`) in `problem`.
bool measureCard(const CardRecord& card, int slot, std::size_t position, EncodedCard& measured,
                 FileProblem* problem) {
    measured.caretFields = 0;
    for (const FieldInfo& field : Fields) {
        const long length = fieldLength(card, field.id);
        if (length < 0) {
            setProblem(problem, position,
                       "the %s of the card in slot %d is not terminated within its %d bytes", field.label,
                       slot, field.width);
            return false;
        }
        measured.length[static_cast<int>(field.id)] = static_cast<std::uint16_t>(length);
    }
    return true;
}

}  // namespace

int encodeImage(const CardTable& table, std::vector<EncodedCard>& cards, std::vector<std::uint8_t>& buffer,
                const ImageSink& sink, std::size_t& imageSize, FileProblem* problem) {
    if (table.slotCount < 0 || table.slotCount > MaxCards) {
        setProblem(problem, 0, "the card table claims %d slots in use, it has %d", table.slotCount, MaxCards);
        return 0;
    }
    cards.clear();
    cards.reserve(static_cast<std::size_t>(table.slotCount));
    const std::size_t start = buffer.size();
    std::size_t sent = 0;
    putFourByteValue(buffer, 0);  // the index position, written again once known

    // The text blocks. Past the four-byte limit nothing more is encoded, but
    // the rest is still measured, so that the refusal names where the blocks
    // would end (or an unterminated field, whichever the table has).
    std::size_t position = 4, entries = 0;
    for (int s = 0; s < table.slotCount; ++s) {
        const CardRecord& card = table.slots[s];
        if (!card.active) continue;
        EncodedCard& encoded = cards.emplace_back();
        if (!measureCard(card, s, position, encoded, problem)) return 0;
        position += textBlockSize(encoded);
        entries += indexEntrySize(encoded);
        if (position > MaxFourByteValue) continue;
        for (CardField id : BlockFields) putString(buffer, card, id, encoded);
        if (!drain(buffer, sink, sent, false)) return 0;
    }
    if (position > MaxFourByteValue) {
        setProblem(problem, position,
                   "the text blocks would end at offset %lu, beyond the %lu that the file's offsets can hold",
                   static_cast<unsigned long>(position), static_cast<unsigned long>(MaxFourByteValue));
        return 0;
    }
    imageSize = position + 4 + entries;

    putFourByteValue(buffer, static_cast<std::uint32_t>(cards.size()));
    std::size_t blockOffset = 4, next = 0;
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
        if (!drain(buffer, sink, sent, false)) return 0;
    }
    if (!drain(buffer, sink, sent, true)) return 0;

    std::vector<std::uint8_t> header;
    putFourByteValue(header, static_cast<std::uint32_t>(position));
    if (sink) return sink(0, header.data(), header.size()) != 0 ? 1 : 0;
    std::copy(header.begin(), header.end(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
    return 1;
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
        for (const FieldInfo& field : Fields) {
            if (encoded.caretFields & (1u << static_cast<int>(field.id)))
                convertCaretPairs(fieldText(card, field.id), lengthOf(encoded, field.id));
        }
    }
}

int encodeCards(CardTable& table, std::vector<std::uint8_t>& out, FileProblem* problem) {
    out.clear();
    std::vector<EncodedCard> cards;
    std::size_t imageSize = 0;
    if (!encodeImage(table, cards, out, nullptr, imageSize, problem)) {
        out.clear();
        return 0;
    }
    recordBlockOffsets(table, cards);
    return 1;
}

void convertLineBreaks(CardTable& table) {
    for (int s = 0; s < table.slotCount && s < MaxCards; ++s) {
        CardRecord& card = table.slots[s];
        if (!card.active) continue;
        for (const FieldInfo& field : Fields) {
            char* text = fieldText(card, field.id);
            convertCaretPairs(text, strnlen(text, static_cast<std::size_t>(field.width)));
        }
    }
}
