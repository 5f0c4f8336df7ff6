// Cards and card files for the tests: one builder of cards (TestCard), card
// files built from annotated pieces independently of the program's encoder,
// and a scratch folder per test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "card/card_file.h"
#include "card/card_table.h"

using Bytes = std::vector<std::uint8_t>;

// One card as the tests describe it: its seven text fields in record order
// and its colours. Fields left out take the texts a new card gets from Add.
struct TestCard {
    std::string name = "New card";
    std::string edition = "Edition";
    std::string type = "Type";
    std::string cost = "Cost";
    std::string pt = "P/T";
    std::string text = "Text";
    std::string comment = "Comment";
    int colours = 0;
};

// Puts the card into the next slot of `table`, active, as the loader would.
// A field that does not fit its width is a mistake of the test: it throws.
CardRecord& putCard(CardTable& table, const TestCard& card);

// A zeroed table on the heap (the table is too large for the stack).
std::unique_ptr<CardTable> newTable();

// A table holding `cards` in slots 0, 1, 2, ...
std::unique_ptr<CardTable> tableOf(const std::vector<TestCard>& cards);

// True when the table holds exactly the same bytes as `other`.
bool sameTable(const CardTable& table, const CardTable& other);

// Pieces of a card file.
Bytes join(std::initializer_list<Bytes> parts);
Bytes four(std::uint32_t value, std::uint8_t fourth = 0);  // four-byte integer
Bytes str(const std::string& text);                        // length-prefixed string
Bytes str(std::size_t length, char fill);                  // a string of `length` copies of `fill`
Bytes block(const std::string& type, const std::string& cost, const std::string& pt, const std::string& text,
            const std::string& comment);
Bytes entry(const std::string& name, std::uint32_t blockOffset, std::uint8_t colours,
            const std::string& edition, std::uint16_t reserved = 0);

// The bytes of a card file holding `cards` in order, laid out as the program
// writes it (contiguous block offsets, zero fourth and reserved bytes).
Bytes cardFileBytes(const std::vector<TestCard>& cards);

// A card file of one card, annotated byte by byte: 66 bytes, index position 36.
extern const Bytes OneCardFile;

// The bytes 0x01-0xFF, once each.
std::string everyByte();

// Loads `bytes` as the program loads a card file, through loadCardFile, from
// a file holding them in a scratch folder of its own.
int loadImage(const Bytes& bytes, CardTable& table, FileProblem* problem, FileNotes* notes = nullptr);

Bytes readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes);

// Names of the temporary files a save left in `folder`.
std::vector<std::string> leftoverTempFiles(const std::filesystem::path& folder);

// A fresh empty folder, removed again at the end of the test.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const char* name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};
