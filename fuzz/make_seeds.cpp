// Writes the seed inputs of the card file fuzzer into a folder: small files
// made by the project's own encoder, and copies of them changed in the ways a
// file from elsewhere or a damaged file differs (odd header bytes, moved
// offsets, short files, oversized counts and lengths).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "tests/support/test_cards.h"

namespace {

const TestCard ExampleCard = {"New card", "Edition", "Type", "Cost", "P/T", "Text", "Comment", 0x0A};

Bytes encode(const std::vector<TestCard>& cards) {
    auto table = tableOf(cards);
    Bytes out;
    FileProblem problem;
    if (!encodeCards(*table, out, &problem))
        std::fprintf(stderr, "make_seeds: cannot encode: %s\n", problem.what);
    return out;
}

void putFourByte(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool writeSeed(const std::string& folder, const char* name, const Bytes& bytes) {
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_seeds FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];

    const std::string longName(255, 'N');
    const std::string longText(1279, 't');
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    const std::string byteHead = everyByte.substr(0, 127);
    const std::string byteTail = everyByte.substr(127);

    const Bytes empty = encode({});
    const Bytes example = encode({ExampleCard});
    const Bytes two = encode({{"Beta", "E", "T", "1", "1/1", "b", "", 0x80},
                              {"Alpha", "E", "T", "2", "2/2", "a\r\nline", "c\r\nd", 0xFF}});
    const Bytes wide = encode({{longName.c_str(), "", "", "", "", longText.c_str(), longText.c_str(), 1}});
    const Bytes bytes = encode(
        {{"Bytes", byteHead.c_str(), byteHead.c_str(), "", "", byteTail.c_str(), everyByte.c_str(), 0x41}});
    const Bytes blanks = encode({{"", "", "", "", "", "", "", 0}, {"", "", "", "", "", "", "", 0}});

    struct Seed {
        const char* name;
        Bytes bytes;
    };
    std::vector<Seed> seeds = {{"valid-empty", empty},      {"valid-example", example},
                               {"valid-two-cards", two},    {"valid-full-width", wide},
                               {"valid-every-byte", bytes}, {"valid-empty-strings", blanks}};

    // The example's layout: P = 36, cardCount at 36, its block offset at 50,
    // its reserved bytes at 64, the text string at 21.
    auto variant = [&](const char* name, const Bytes& base, auto change) {
        Bytes b = base;
        change(b);
        seeds.push_back({name, b});
    };
    variant("odd-fourth-bytes", example, [](Bytes& b) { b[3] = 0xFF, b[39] = 0x7F, b[53] = 0x01; });
    variant("odd-reserved", example, [](Bytes& b) { b[64] = 0x12, b[65] = 0xFF; });
    variant("odd-block-offset", example, [](Bytes& b) { putFourByte(b, 50, 0xABCDEF); });
    variant("odd-carets", example, [](Bytes& b) { std::memcpy(&b[23], "^^^^", 4); });
    variant("odd-zero-in-string", example, [](Bytes& b) { b[24] = 0; });
    variant("odd-trailing", example, [](Bytes& b) { b.insert(b.end(), {1, 2, 3, 0, 0}); });
    variant("bad-short-header", example, [](Bytes& b) { b.resize(3); });
    variant("bad-only-header", example, [](Bytes& b) { b.resize(4); });
    variant("bad-cut-in-block", example, [](Bytes& b) { b.resize(25); });
    variant("bad-cut-before-count", example, [](Bytes& b) { b.resize(38); });
    variant("bad-cut-in-entry", example, [](Bytes& b) { b.resize(56); });
    variant("bad-cut-reserved", example, [](Bytes& b) { b.resize(65); });
    variant("bad-index-past-end", example, [](Bytes& b) { putFourByte(b, 0, 66); });
    variant("bad-index-zero", example, [](Bytes& b) { putFourByte(b, 0, 0); });
    variant("bad-index-max", example, [](Bytes& b) { putFourByte(b, 0, MaxFourByteValue); });
    variant("bad-index-early", example, [](Bytes& b) { putFourByte(b, 0, 20); });
    variant("bad-count-high", example, [](Bytes& b) { putFourByte(b, 36, 2); });
    variant("bad-count-table", empty, [](Bytes& b) { putFourByte(b, 4, MaxCards + 1); });
    variant("bad-count-max", empty, [](Bytes& b) { putFourByte(b, 4, MaxFourByteValue); });
    variant("bad-name-too-long", example, [](Bytes& b) { b[40] = 0, b[41] = 1; });
    variant("bad-length-max", example, [](Bytes& b) { b[21] = 0xFF, b[22] = 0xFF; });
    variant("bad-cost-too-long", example, [](Bytes& b) { b[10] = 32; });
    variant("bad-wide-text", wide, [](Bytes& b) {
        const std::size_t text = 4 + 2 * 3;  // after three empty strings
        b[text] = 0x00, b[text + 1] = 0x05;  // 1280 bytes
    });
    for (const Seed& seed : seeds) {
        if (!writeSeed(folder, seed.name, seed.bytes)) {
            std::fprintf(stderr, "make_seeds: cannot write %s/%s\n", folder.c_str(), seed.name);
            return 1;
        }
    }
    return 0;
}
