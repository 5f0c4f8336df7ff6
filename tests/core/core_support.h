// Helpers shared by the card core tests: fresh tables, card files built from
// annotated pieces, and a scratch folder per test.
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

// A zeroed table on the heap (the table is too large for the stack).
std::unique_ptr<CardTable> newTable();

// Puts a card into the next slot, all fields copied with copyField.
CardRecord& addCard(CardTable& table, const char* name, const char* edition, const char* type,
                    const char* cost, const char* pt, const char* text, const char* comment, int colours);

// Pieces of a card file.
Bytes join(std::initializer_list<Bytes> parts);
Bytes four(std::uint32_t value, std::uint8_t fourth = 0);  // four-byte integer
Bytes str(const std::string& text);                        // length-prefixed string
Bytes str(std::size_t length, char fill);                  // a string of `length` copies of `fill`
Bytes block(const char* type, const char* cost, const char* pt, const char* text, const char* comment);
Bytes entry(const char* name, std::uint32_t blockOffset, std::uint8_t colours, const char* edition,
            std::uint16_t reserved = 0);

// The one-card file of the format description: 66 bytes, index position 36.
extern const Bytes workedExample;

// True when the table holds exactly the same bytes as `other`.
bool sameTable(const CardTable& table, const CardTable& other);

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
