// Writes the example card database examples/cardinfo.dat (or the path given)
// with the project's own encoder: a dozen invented cards that show several
// colours at once, multi-line text, empty fields, a land and a Windows-1252
// letter.
#include <cstdio>

#include "card/card_file.h"
#include "card/card_table.h"

namespace {

struct ExampleCard {
    const char* name;
    const char* edition;
    const char* type;
    const char* cost;
    const char* pt;
    const char* text;
    const char* comment;
    int colours;
};

const ExampleCard ExampleCards[] = {
    {"Amber Sentinel", "Hearthfall", "Artifact Creature - Golem", "4", "3/4",
     "Vigilance\r\nWhen Amber Sentinel comes into play, gain 2 life.", "", 0x40},
    {"Brinewater Sage", "Hearthfall", "Creature - Merfolk Wizard", "1U", "1/2",
     "T: Look at the top card of your library.", "Reprint candidate", 0x02},
    {"Cinder Vow", "Hearthfall", "Instant", "1R", "", "Cinder Vow deals 3 damage to target creature.", "",
     0x08},
    {"Duskmarsh Lurker", "Hearthfall", "Creature - Horror", "2B", "2/2", "Swampwalk", "", 0x04},
    {"Fernhollow Grove", "Hearthfall", "Land", "", "",
     "T: Add G to your mana pool.\r\nT: Add W to your mana pool.", "Two colours, no cost", 0x80},
    {"Gale Harrier", "Skyreach", "Creature - Bird Soldier", "2W", "2/1", "Flying", "", 0x01},
    {"Mossback Titan", "Skyreach", "Creature - Beast", "5GG", "7/7",
     "Trample\r\nMossback Titan can't be blocked by creatures with power 2 or less.", "The big one", 0x10},
    {"Prism Warden", "Skyreach", "Creature - Spirit", "WUBRG", "5/5", "Protection from each colour.",
     "All five colours\r\nand gold", 0x3F},
    {"Storm and Tide", "Skyreach", "Sorcery", "2UR", "",
     "Choose one -\r\nDraw two cards;\r\nor Storm and Tide deals 2 damage to each creature.", "", 0x2A},
    {"Thornbound Knight", "Skyreach", "Creature - Elf Knight", "1GW", "2/3", "First strike", "", 0x31},
    {"Ashen Reliquary", "Skyreach", "Artifact", "3", "", "T, Sacrifice Ashen Reliquary: Draw a card.", "",
     0x40},
    {"Rivi\xE8re Courier", "", "Artifact Creature - Construct", "2", "1/1",
     "Rivi\xE8re Courier can't be blocked.", "No edition; the name holds a Windows-1252 letter", 0x42},
};

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "examples/cardinfo.dat";
    clearCardTable(cardTable);
    for (const ExampleCard& card : ExampleCards) {
        CardRecord& slot = cardTable.slots[cardTable.slotCount++];
        copyField(slot.name, NameWidth, card.name);
        copyField(slot.edition, EditionWidth, card.edition);
        copyField(slot.type, TypeWidth, card.type);
        copyField(slot.cost, CostWidth, card.cost);
        copyField(slot.pt, PtWidth, card.pt);
        copyField(slot.text, TextWidth, card.text);
        copyField(slot.comment, CommentWidth, card.comment);
        slot.colours = card.colours;
        slot.active = 1;
    }
    FileProblem problem;
    if (!saveCardFile(path, cardTable, &problem)) {
        std::fprintf(stderr, "make_example: %s: %s\n", path, problem.what);
        return 1;
    }
    std::printf("%s: %d cards\n", path, cardTable.slotCount);
    return 0;
}
