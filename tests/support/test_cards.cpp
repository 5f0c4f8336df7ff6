#include "tests/support/test_cards.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/win32.h"

CardRecord& putCard(CardTable& table, const TestCard& card) {
    if (table.slotCount >= MaxCards) throw std::length_error("test table full");
    CardRecord& slot = table.slots[table.slotCount++];
    const std::string* texts[7] = {&card.name, &card.edition, &card.type,   &card.cost,
                                   &card.pt,   &card.text,    &card.comment};
    for (const FieldInfo& field : Fields) {
        const std::string& text = *texts[static_cast<int>(field.id)];
        if (text.size() >= static_cast<std::size_t>(field.width))
            throw std::length_error("test card field too long");
        std::memcpy(fieldText(slot, field.id), text.data(), text.size());
        fieldText(slot, field.id)[text.size()] = '\0';
    }
    slot.colours = card.colours;
    slot.active = 1;
    return slot;
}

std::unique_ptr<CardTable> newTable() {
    return std::make_unique<CardTable>();
}

std::unique_ptr<CardTable> tableOf(const std::vector<TestCard>& cards) {
    auto table = newTable();
    for (const TestCard& card : cards) putCard(*table, card);
    return table;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes four(std::uint32_t value, std::uint8_t fourth) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), fourth};
}

Bytes str(const std::string& text) {
    Bytes out(2 + text.size());
    out[0] = static_cast<std::uint8_t>(text.size());
    out[1] = static_cast<std::uint8_t>(text.size() >> 8);
    std::copy(text.begin(), text.end(), out.begin() + 2);
    return out;
}

Bytes str(std::size_t length, char fill) {
    return str(std::string(length, fill));
}

Bytes block(const std::string& type, const std::string& cost, const std::string& pt, const std::string& text,
            const std::string& comment) {
    return join({str(type), str(cost), str(pt), str(text), str(comment)});
}

Bytes entry(const std::string& name, std::uint32_t blockOffset, std::uint8_t colours,
            const std::string& edition, std::uint16_t reserved) {
    return join({str(name),
                 four(blockOffset),
                 {colours},
                 str(edition),
                 {static_cast<std::uint8_t>(reserved), static_cast<std::uint8_t>(reserved >> 8)}});
}

Bytes cardFileBytes(const std::vector<TestCard>& cards) {
    Bytes blocks, index;
    for (const TestCard& card : cards) {
        const auto offset = static_cast<std::uint32_t>(4 + blocks.size());
        blocks = join({blocks, block(card.type, card.cost, card.pt, card.text, card.comment)});
        index =
            join({index, entry(card.name, offset, static_cast<std::uint8_t>(card.colours), card.edition)});
    }
    return join({four(static_cast<std::uint32_t>(4 + blocks.size())), blocks,
                 four(static_cast<std::uint32_t>(cards.size())), index});
}

const Bytes OneCardFile = {
    0x24, 0x00, 0x00, 0x00,                                      //  0 index position = 36
    0x04, 0x00, 0x54, 0x79, 0x70, 0x65,                          //  4 type "Type"
    0x04, 0x00, 0x43, 0x6F, 0x73, 0x74,                          // 10 cost "Cost"
    0x03, 0x00, 0x50, 0x2F, 0x54,                                // 16 P/T "P/T"
    0x04, 0x00, 0x54, 0x65, 0x78, 0x74,                          // 21 text "Text"
    0x07, 0x00, 0x43, 0x6F, 0x6D, 0x6D, 0x65, 0x6E, 0x74,        // 27 comment "Comment"
    0x01, 0x00, 0x00, 0x00,                                      // 36 card count = 1
    0x08, 0x00, 0x4E, 0x65, 0x77, 0x20, 0x63, 0x61, 0x72, 0x64,  // 40 name "New card"
    0x04, 0x00, 0x00, 0x00,                                      // 50 block offset = 4
    0x0A,                                                        // 54 colours Blue|Red
    0x07, 0x00, 0x45, 0x64, 0x69, 0x74, 0x69, 0x6F, 0x6E,        // 55 edition "Edition"
    0x00, 0x00,                                                  // 64 reserved
};

std::string everyByte() {
    std::string bytes;
    for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

bool sameTable(const CardTable& table, const CardTable& other) {
    return std::memcmp(&table, &other, sizeof table) == 0;
}

int loadImage(const Bytes& bytes, CardTable& table, FileProblem* problem, FileNotes* notes) {
    ScratchFolder folder;
    const std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, bytes);
    return loadCardFile(path.c_str(), table, problem, notes);
}

Bytes readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> leftoverTempFiles(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        std::string name = item.path().filename().string();
        if (name[0] == '.') names.push_back(name);  // a save's temporary files are hidden
    }
    return names;
}

ScratchFolder::ScratchFolder() {
    static int sequence = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("cardloom-core-" + std::to_string(GetCurrentThreadId()) + "-" + std::to_string(sequence++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    for (const auto& item : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        std::filesystem::permissions(item.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}
