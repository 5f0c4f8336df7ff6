// The in-memory card database: one fixed table of card slots that lives for
// the whole process. A card keeps its slot index for its whole life; deleting
// it only clears its active flag.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

constexpr int MaxCards = 8192;  // slots in the table

// Widths of the fixed text fields, terminator included.
constexpr int NameWidth = 256;
constexpr int EditionWidth = 128;
constexpr int TypeWidth = 128;
constexpr int CostWidth = 32;
constexpr int PtWidth = 32;
constexpr int TextWidth = 1280;
constexpr int CommentWidth = 1280;

// The card's colours and kinds, bit i = item i of the colour list.
using ColourBits = std::uint8_t;
constexpr int ColourCount = 8;
constexpr const char* ColourNames[ColourCount] = {"White", "Blue", "Black",    "Red",
                                                  "Green", "Gold", "Artifact", "Land"};

// The bit of the colour or kind of that name; a name not in the list stops a
// constant's compilation (and gives 0 at run time).
constexpr ColourBits colourBit(std::string_view name) {
    for (int bit = 0; bit < ColourCount; ++bit) {
        if (name == ColourNames[bit]) return static_cast<ColourBits>(1 << bit);
    }
    return std::is_constant_evaluated() ? throw "no colour of that name" : 0;
}

struct CardRecord {
    char name[NameWidth];
    char edition[EditionWidth];
    char type[TypeWidth];
    char cost[CostWidth];
    char pt[PtWidth];
    char text[TextWidth];
    char comment[CommentWidth];
    std::int32_t colours;      // ColourBits in the low 8 bits
    std::int32_t blockOffset;  // file offset of the text block, set by a save
    std::uint8_t active;       // nonzero: a live card that is shown and saved
};

struct CardTable {
    CardRecord slots[MaxCards];
    int slotCount;  // slots handed out so far; slots from here on are zero
};

extern CardTable cardTable;  // the process's card database

// The slots of `table` that may hold a card: its slotCount, kept within
// 0..MaxCards for a table that claims too many or too few.
inline int liveSlots(const CardTable& table) {
    return std::clamp(table.slotCount, 0, MaxCards);
}

// The seven text fields of a card in the order of the record, so that code
// can walk them as a table.
enum class CardField { Name, Edition, Type, Cost, Pt, Text, Comment };

constexpr int FieldCount = 7;

// One text field of CardRecord: where it lives, its width, whether the file
// stores both bytes of its length (text, comment) or the low byte and a zero
// (all others), its name in messages, the text a new card starts with and its
// key in a dump (JSON, CSV) and in a diff.
struct FieldInfo {
    CardField id;
    std::size_t offset;
    int width;
    bool wideLength;
    const char* label;
    const char* addDefault;
    const char* dumpKey;
};

extern const FieldInfo Fields[FieldCount];  // indexed by CardField

// A dump's keys beside the fields': the slot's, first, and the colours', last.
constexpr const char* SlotDumpKey = "slot";
constexpr const char* ColoursDumpKey = "colours";

inline const FieldInfo& infoOf(CardField id) {
    return Fields[static_cast<int>(id)];
}
inline char* fieldText(CardRecord& card, CardField id) {
    return reinterpret_cast<char*>(&card) + infoOf(id).offset;
}
inline const char* fieldText(const CardRecord& card, CardField id) {
    return reinterpret_cast<const char*>(&card) + infoOf(id).offset;
}
// A field's bytes up to its terminator, never past its width.
inline std::string_view fieldValue(const CardRecord& card, CardField id) {
    return {fieldText(card, id), strnlen(fieldText(card, id), static_cast<std::size_t>(infoOf(id).width))};
}

// Copies src into a fixed buffer of the given width (a card field, a path).
// Returns 0 without touching the buffer when src (up to its NUL) does not fit
// with its terminator: text is never cut short.
int copyField(char* field, int width, const char* src);

// Name of the highest set bit of the mask, or nullptr for no bit.
const char* colourLabel(int colours);

// Empties the table: every slot zero, slotCount 0.
void clearCardTable(CardTable& table);
