// Three levels: the base character (letters folded to their unaccented lower
// case, hyphen and apostrophe skipped), then the whole text case-folded with
// accents, then nothing: texts equal apart from case compare equal.
#include "platform/linux/user/collation.h"

#include <cstring>

namespace winlayer {
namespace {

// Unaccented lower-case base letter of each byte 0xC0-0xFF (0 = not a letter).
const char kLatinBase[65] =
    "aaaaaaaceeeeiiiidnooooo\0ouuuuyts"
    "aaaaaaaceeeeiiiidnooooo\0ouuuuyty";

int primary(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return 0x300 + (c - 'A');
    if (c >= 'a' && c <= 'z') return 0x300 + (c - 'a');
    if (c >= '0' && c <= '9') return 0x200 + (c - '0');
    switch (c) {
        case 0x8A:
        case 0x9A:
            return 0x300 + ('s' - 'a');
        case 0x8C:
        case 0x9C:
            return 0x300 + ('o' - 'a');
        case 0x8E:
        case 0x9E:
            return 0x300 + ('z' - 'a');
        case 0x9F:
            return 0x300 + ('y' - 'a');
        case 0x83:
            return 0x300 + ('f' - 'a');
        default:
            break;
    }
    if (c >= 0xC0 && kLatinBase[c - 0xC0] != 0) return 0x300 + (kLatinBase[c - 0xC0] - 'a');
    return 0x100 + c;
}

bool ignored(unsigned char c) {
    return c == '-' || c == '\'' || c == 0xAD;
}

unsigned char fold(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

// Each byte's first-level weight as one byte in the weights' order: 0 for an
// ignored byte, 1 and up otherwise (there are fewer than 255 weights); and
// each byte case-folded.
struct KeyTables {
    unsigned char rank[256] = {};
    unsigned char folded[256] = {};
    KeyTables() {
        bool used[0x400] = {};
        for (int c = 1; c < 256; ++c) used[primary(static_cast<unsigned char>(c))] = true;
        int ranks[0x400] = {};
        int next = 1;
        for (int weight = 0; weight < 0x400; ++weight) {
            if (used[weight]) ranks[weight] = next++;
        }
        for (int c = 1; c < 256; ++c) {
            const unsigned char byte = static_cast<unsigned char>(c);
            rank[c] = ignored(byte) ? 0 : static_cast<unsigned char>(ranks[primary(byte)]);
            folded[c] = fold(byte);
        }
    }
};

const KeyTables kKeys;

}  // namespace

// The first level's weights, a 0 that ends them (below every weight, so a
// text whose weights run out first sorts first), then the case-folded bytes.
std::string sortKey(const std::string& text) {
    std::string key(2 * text.size() + 1, '\0');
    size_t length = 0;
    for (char c : text) {
        const unsigned char weight = kKeys.rank[static_cast<unsigned char>(c)];
        if (weight != 0) key[length++] = static_cast<char>(weight);
    }
    ++length;  // the 0 between the levels
    for (char c : text) key[length++] = static_cast<char>(kKeys.folded[static_cast<unsigned char>(c)]);
    key.resize(length);
    return key;
}

int compareText(const std::string& a, const std::string& b) {
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < a.size() && ignored(static_cast<unsigned char>(a[i]))) ++i;
        while (j < b.size() && ignored(static_cast<unsigned char>(b[j]))) ++j;
        if (i == a.size() || j == b.size()) break;
        int pa = primary(static_cast<unsigned char>(a[i]));
        int pb = primary(static_cast<unsigned char>(b[j]));
        if (pa != pb) return pa < pb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i != a.size()) return 1;
    if (j != b.size()) return -1;
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t k = 0; k < n; ++k) {
        unsigned char fa = fold(static_cast<unsigned char>(a[k]));
        unsigned char fb = fold(static_cast<unsigned char>(b[k]));
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace winlayer
