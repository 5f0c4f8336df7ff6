// A text's key is put together from its bytes' keys as the platform does it:
// the primary weights of all bytes (two bytes each, none for an ignored byte,
// two for an expansion), then each weight's accent and then its case, with
// the trailing "none" (2) of each level left out, an empty fourth level, and
// last the bytes sorted apart (hyphen, apostrophe, controls), each as its
// place among the primary weights and its own weight. The levels end in 1,
// below every weight, so a text whose level runs out first sorts first.
#include "platform/sort_key.h"

#include <cstring>

#include "platform/user_locale.h"

namespace {

constexpr unsigned char LevelEnd = 1;
constexpr unsigned char NoWeight = 2;  // no accent, no case
constexpr unsigned char SpecialMark = 0xFF;

// One byte's weights, read from its single-byte key.
struct ByteWeights {
    int units = 0;                                   // primary weights: 0, 1, or 2 for an expansion
    unsigned char primary[4] = {};                   // two bytes each
    unsigned char accent[2] = {NoWeight, NoWeight};  // one per primary weight
    unsigned char letterCase[2] = {NoWeight, NoWeight};
    bool special = false;  // sorted apart, with `specialWeight`
    unsigned char specialWeight[2] = {};
    bool plain = true;  // no accent, no case weight, not sorted apart: nothing past the first level
};

// Reads the bytes up to the next level end into `out` (at most `size`);
// false when the key does not have that shape.
bool readLevel(const unsigned char*& key, unsigned char* out, int size) {
    for (int i = 0; *key != LevelEnd; ++i, ++key) {
        if (*key == 0 || i >= size) return false;
        out[i] = *key;
    }
    ++key;
    return true;
}

ByteWeights parse(const char* text) {
    ByteWeights weights;
    const auto* key = reinterpret_cast<const unsigned char*>(text);
    while (*key != LevelEnd && *key != 0 && weights.units < 2) {
        weights.primary[2 * weights.units] = key[0];
        weights.primary[2 * weights.units + 1] = key[1];
        ++weights.units;
        key += 2;
    }
    unsigned char fourth[1];
    if (*key++ != LevelEnd || !readLevel(key, weights.accent, weights.units) ||
        !readLevel(key, weights.letterCase, weights.units) || !readLevel(key, fourth, 0))
        return ByteWeights{};
    // A single byte sorted apart stands at place 0: FF FF, then its weight.
    if (key[0] == SpecialMark && key[1] == SpecialMark && key[2] != 0 && key[3] != 0) {
        weights.special = true;
        weights.specialWeight[0] = key[2];
        weights.specialWeight[1] = key[3];
    }
    for (int unit = 0; unit < weights.units; ++unit)
        weights.plain =
            weights.plain && weights.accent[unit] == NoWeight && weights.letterCase[unit] == NoWeight;
    weights.plain = weights.plain && !weights.special;
    return weights;
}

// The weights of the bytes in the process's order, read again when the
// order changes.
struct WeightTable {
    const char* const* keys = nullptr;
    ByteWeights bytes[256];
};

WeightTable weights;

const WeightTable& currentWeights() {
    const char* const* keys = processLocale().sortKeys;
    if (weights.keys != keys) {
        for (int byte = 1; byte < 256; ++byte) weights.bytes[byte] = parse(keys[byte]);
        weights.keys = keys;
    }
    return weights;
}

const ByteWeights& weightsOf(const WeightTable& table, char c) {
    return table.bytes[static_cast<unsigned char>(c)];
}

// Appends one accent or case level: a weight per primary weight, the
// trailing ones without weight left out, then the level's end.
void appendLevel(const WeightTable& table, std::string& key, std::string_view text,
                 const unsigned char (ByteWeights::*level)[2]) {
    const std::size_t start = key.size();
    for (const char c : text) {
        const ByteWeights& weights = weightsOf(table, c);
        for (int unit = 0; unit < weights.units; ++unit) key += static_cast<char>((weights.*level)[unit]);
    }
    std::size_t end = key.size();
    while (end > start && static_cast<unsigned char>(key[end - 1]) == NoWeight) --end;
    key.resize(end);
    key += static_cast<char>(LevelEnd);
}

}  // namespace

std::string sortKey(std::string_view text) {
    const WeightTable& table = currentWeights();
    std::size_t units = 0;
    bool plain = true;
    for (const char c : text) {
        units += static_cast<std::size_t>(weightsOf(table, c).units);
        plain = plain && weightsOf(table, c).plain;
    }
    // Most names: the primary weights, then every later level empty. Each
    // byte's four weight bytes go in whole and the next overwrites what was
    // not its own; the level ends are written last.
    if (plain) {
        std::string key(2 * units + 4, static_cast<char>(LevelEnd));
        char* out = key.data();
        for (const char c : text) {
            const ByteWeights& weights = weightsOf(table, c);
            std::memcpy(out, weights.primary, sizeof weights.primary);
            out += 2 * weights.units;
        }
        std::memset(out, LevelEnd, 4);
        return key;
    }
    std::string key;
    for (const char c : text) {
        const ByteWeights& weights = weightsOf(table, c);
        key.append(reinterpret_cast<const char*>(weights.primary),
                   2 * static_cast<std::size_t>(weights.units));
    }
    key += static_cast<char>(LevelEnd);
    appendLevel(table, key, text, &ByteWeights::accent);
    appendLevel(table, key, text, &ByteWeights::letterCase);
    key += static_cast<char>(LevelEnd);  // the empty fourth level
    unsigned place = 0;
    for (const char c : text) {
        const ByteWeights& weights = weightsOf(table, c);
        if (weights.special) {
            const unsigned mark = place < 0xFFFF ? 0xFFFF - place : 0;
            key += static_cast<char>(mark >> 8);
            key += static_cast<char>(mark & 0xFF);
            key.append(reinterpret_cast<const char*>(weights.specialWeight), 2);
        }
        place += static_cast<unsigned>(weights.units);
    }
    return key;
}

int compareText(std::string_view a, std::string_view b) {
    const int order = sortKey(a).compare(sortKey(b));
    return (order > 0) - (order < 0);
}
