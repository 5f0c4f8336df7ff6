// The editing commands as a user meets them: selecting a card, editing and
// pressing Update, the colour picker, Add and Delete.
#include <cstring>
#include <string>

#include "card/card_file.h"
#include "card/card_table.h"
#include "editor/commands.h"
#include "editor/main_window.h"
#include "settings/data_file.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/answer.h"

namespace {

void setText(HWND control, const char* text) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void selectColour(int item, bool selected) {
    SendMessageA(colourList, LB_SETSEL, selected, item);
}

}  // namespace

class CommandTest : public EditorTest {
  protected:
    // Five cards listed in sorted order; slot numbers follow the load order.
    void loadFive() {
        loadCard({"Echo"});
        loadCard({"Alpha"});
        loadCard({"Delta"});
        loadCard({"Bravo"});
        loadCard({"Charlie"});
    }
};

TEST_F(CommandTest, SelectionShowsTheCardInTheFields) {
    const int slot =
        loadCard({"Alpha", "Fourth", "Creature", "1G", "2/2", "Line one\r\nLine two", "Note", 0x05});
    loadCard({"Beta"});
    selectEntry(0);
    EXPECT_EQ(currentListPosition, 0);
    EXPECT_EQ(currentSlot, slot);
    EXPECT_EQ(textOf(nameEdit), "Alpha");
    EXPECT_EQ(textOf(editionEdit), "Fourth");
    EXPECT_EQ(textOf(typeEdit), "Creature");
    EXPECT_EQ(textOf(costEdit), "1G");
    EXPECT_EQ(textOf(ptEdit), "2/2");
    EXPECT_EQ(textOf(textEdit), "Line one\r\nLine two");
    EXPECT_EQ(SendMessageA(textEdit, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(textOf(commentEdit), "Note");
    // 0x05: "White" and "Black", the button named after the higher one.
    const bool expected[8] = {true, false, true, false, false, false, false, false};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(colourSelected(i), expected[i]) << i;
    EXPECT_EQ(textOf(colourButton), "Black");
}

TEST_F(CommandTest, CardWithoutColourKeepsThePreviousCaption) {
    loadCard({.name = "Alpha", .colours = 0x02});
    loadCard({.name = "Beta", .colours = 0x81});
    loadCard({.name = "Gamma", .colours = 0});
    selectEntry(1);
    EXPECT_EQ(textOf(colourButton), "Land");
    selectEntry(0);
    EXPECT_EQ(textOf(colourButton), "Blue");
    selectEntry(2);
    EXPECT_EQ(textOf(colourButton), "Blue");
    EXPECT_EQ(SendMessageA(colourList, LB_GETSELCOUNT, 0, 0), 0);
}

TEST_F(CommandTest, UpdateWritesEveryFieldBack) {
    const int slot = loadCard({.name = "Alpha", .colours = 0x01});
    selectEntry(0);
    setText(nameEdit, "Alpha II");
    setText(editionEdit, "Fifth");
    setText(typeEdit, "Sorcery");
    setText(costEdit, "XR");
    setText(ptEdit, "");
    setText(textEdit, "Deals X damage.");
    setText(commentEdit, "");
    selectColour(0, false);
    selectColour(3, true);
    click(updateButton);
    const CardRecord& card = cardTable.slots[slot];
    EXPECT_STREQ(card.name, "Alpha II");
    EXPECT_STREQ(card.edition, "Fifth");
    EXPECT_STREQ(card.type, "Sorcery");
    EXPECT_STREQ(card.cost, "XR");
    EXPECT_STREQ(card.pt, "");
    EXPECT_STREQ(card.text, "Deals X damage.");
    EXPECT_STREQ(card.comment, "");
    EXPECT_EQ(card.colours, 0x08);
    EXPECT_EQ(card.active, 1);
    EXPECT_EQ(entryText(0), "Alpha II");
    EXPECT_EQ(entrySlot(0), slot);
    // Update does not touch the caption; closing the picker does.
    EXPECT_EQ(textOf(colourButton), "White");
}

TEST_F(CommandTest, UpdateWithAnEmptyNameChangesNothing) {
    const int slot = loadCard({.name = "Alpha", .colours = 0x10});
    selectEntry(0);
    const CardRecord before = cardTable.slots[slot];
    setText(nameEdit, "");
    setText(typeEdit, "Changed");
    setText(textEdit, "Changed");
    selectColour(1, true);
    click(updateButton);
    EXPECT_EQ(std::memcmp(&before, &cardTable.slots[slot], sizeof before), 0);
    EXPECT_EQ(entryCount(), 1);
    EXPECT_EQ(entryText(0), "Alpha");
}

TEST_F(CommandTest, UpdateBeforeAnySelectionChangesNothing) {
    const int slot = loadCard({"Alpha"});
    SendMessageA(cardList, LB_SETCURSEL, 0, 0);
    setText(nameEdit, "Renamed");
    click(updateButton);
    EXPECT_STREQ(cardTable.slots[slot].name, "Alpha");
    EXPECT_EQ(entryText(0), "Alpha");
}

TEST_F(CommandTest, MultiLineFieldsJoinWithCrLf) {
    const int slot = loadCard({"Alpha"});
    selectEntry(0);
    struct {
        const char* typed;
        const char* stored;
    } const cases[] = {
        {"a\r\n\r\nb", "a\r\n\r\nb"},  // first and last one character, middle empty
        {"ends here\r\n", "ends here\r\n"}, {"", ""}, {"\r\n", "\r\n"}, {"one line", "one line"},
    };
    for (const auto& joined : cases) {
        setText(textEdit, joined.typed);
        setText(commentEdit, joined.typed);
        click(updateButton);
        EXPECT_STREQ(cardTable.slots[slot].text, joined.stored);
        EXPECT_STREQ(cardTable.slots[slot].comment, joined.stored);
    }
}

TEST_F(CommandTest, FullWidthTextIsKeptWhole) {
    const int slot = loadCard({"Alpha"});
    selectEntry(0);
    // Lines longer than 1025 characters and a text that fills the field
    // exactly, its line break counted: 1100 + 2 + 177 = 1279 characters.
    std::string text = std::string(1100, 'a') + "\r\n" + std::string(177, 'b');
    std::string name(NameWidth - 1, 'n');
    std::string cost(CostWidth - 1, 'c');
    setText(textEdit, text.c_str());
    setText(commentEdit, text.c_str());
    setText(nameEdit, name.c_str());
    setText(costEdit, cost.c_str());
    click(updateButton);
    EXPECT_EQ(std::string(cardTable.slots[slot].text), text);
    EXPECT_EQ(std::string(cardTable.slots[slot].comment), text);
    EXPECT_EQ(std::string(cardTable.slots[slot].name), name);
    EXPECT_EQ(std::string(cardTable.slots[slot].cost), cost);
    EXPECT_EQ(entryText(0), name);

    // A full field takes no more typing, so nothing is ever cut later.
    SendMessageA(textEdit, EM_SETSEL, text.size(), text.size());
    SendMessageA(textEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    EXPECT_EQ(textOf(textEdit), text);
    SendMessageA(costEdit, EM_SETSEL, cost.size(), cost.size());
    SendMessageA(costEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    EXPECT_EQ(textOf(costEdit), cost);
}

TEST_F(CommandTest, RenameKeepsTheListPositionAndClearsTheSelection) {
    loadFive();
    selectEntry(0);  // "Alpha"
    const int slot = currentSlot;
    setText(nameEdit, "Zulu");
    click(updateButton);
    EXPECT_EQ(entryCount(), 5);
    EXPECT_EQ(entryText(0), "Zulu");
    EXPECT_EQ(entrySlot(0), slot);
    EXPECT_EQ(entryText(1), "Bravo");
    EXPECT_EQ(selectedEntry(), -1);
    // With nothing selected, Add and Delete do nothing.
    click(addButton);
    click(deleteButton);
    EXPECT_EQ(entryCount(), 5);
    EXPECT_EQ(cardTable.slotCount, 5);
}

TEST_F(CommandTest, AddInsertsANewCardAtTheSelectedPosition) {
    loadFive();
    loadCard({"Foxtrot"});
    selectEntry(2);
    const int shownSlot = currentSlot;
    SendMessageA(cardList, LB_SETCURSEL, 4, 0);
    const int movedSlot = entrySlot(4);
    click(addButton);

    ASSERT_EQ(entryCount(), 7);
    EXPECT_EQ(entryText(4), "New card");
    EXPECT_EQ(entrySlot(4), 6);  // slotCount before the click
    EXPECT_EQ(entrySlot(5), movedSlot);
    EXPECT_EQ(selectedEntry(), 5);
    EXPECT_EQ(cardTable.slotCount, 7);
    const CardRecord& card = cardTable.slots[6];
    EXPECT_STREQ(card.name, "New card");
    EXPECT_STREQ(card.edition, "Edition");
    EXPECT_STREQ(card.type, "Type");
    EXPECT_STREQ(card.cost, "Cost");
    EXPECT_STREQ(card.pt, "P/T");
    EXPECT_STREQ(card.text, "Text");
    EXPECT_STREQ(card.comment, "Comment");
    EXPECT_EQ(card.colours, 0);
    EXPECT_EQ(card.active, 1);
    // The new card is not shown and the recorded selection stays.
    EXPECT_EQ(currentListPosition, 2);
    EXPECT_EQ(currentSlot, shownSlot);
    EXPECT_EQ(textOf(nameEdit), "Charlie");

    click(addButton);
    EXPECT_EQ(entrySlot(5), 7);
    EXPECT_EQ(selectedEntry(), 6);
}

TEST_F(CommandTest, UpdateAfterAddRenamesTheShownCardWhereItMoved) {
    loadFive();
    selectEntry(2);  // "Charlie"
    const int slot = currentSlot;
    click(addButton);  // "New card" at 2, "Charlie" moves to 3
    setText(nameEdit, "Charlie II");
    click(updateButton);
    EXPECT_EQ(entryText(2), "New card");
    EXPECT_EQ(entrySlot(2), 5);
    EXPECT_STREQ(cardTable.slots[5].name, "New card");
    EXPECT_EQ(entryText(3), "Charlie II");
    EXPECT_EQ(entrySlot(3), slot);
    EXPECT_STREQ(cardTable.slots[slot].name, "Charlie II");
    EXPECT_EQ(entryCount(), 6);
}

TEST_F(CommandTest, UpdateAfterDeletingAnotherCardFindsTheShownOne) {
    loadFive();
    selectEntry(3);  // "Delta"
    const int slot = currentSlot;
    SendMessageA(cardList, LB_SETCURSEL, 1, 0);  // "Bravo", not shown
    const int deletedSlot = entrySlot(1);
    click(deleteButton);
    EXPECT_EQ(cardTable.slots[deletedSlot].active, 0);
    EXPECT_EQ(selectedEntry(), -1);
    setText(nameEdit, "Delta II");
    click(updateButton);
    ASSERT_EQ(entryCount(), 4);
    EXPECT_EQ(entryText(2), "Delta II");
    EXPECT_EQ(entrySlot(2), slot);
    EXPECT_EQ(entryText(3), "Echo");
    EXPECT_STREQ(cardTable.slots[slot].name, "Delta II");
}

TEST_F(CommandTest, UpdateAfterDeletingTheShownCardChangesNothing) {
    loadFive();
    selectEntry(1);  // "Bravo"
    const int slot = currentSlot;
    const CardRecord before = cardTable.slots[slot];
    click(deleteButton);
    EXPECT_EQ(cardTable.slots[slot].active, 0);
    EXPECT_EQ(textOf(nameEdit), "Bravo");  // the fields keep showing it
    setText(nameEdit, "Bravo II");
    setText(typeEdit, "Changed");
    click(updateButton);
    ASSERT_EQ(entryCount(), 4);
    for (int position = 0; position < 4; ++position) {
        EXPECT_NE(entrySlot(position), slot);
        EXPECT_NE(entryText(position), "Bravo II");
    }
    EXPECT_EQ(entryText(1), "Charlie");
    EXPECT_STREQ(cardTable.slots[slot].name, before.name);
    EXPECT_STREQ(cardTable.slots[slot].type, before.type);
    EXPECT_EQ(cardTable.slots[slot].active, 0);
}

TEST_F(CommandTest, DeleteWithoutSelectionDoesNothing) {
    loadFive();
    click(deleteButton);
    EXPECT_EQ(entryCount(), 5);
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ(cardTable.slots[slot].active, 1);
}

TEST_F(CommandTest, ColourPickerTakesThePlaceOfEditionAndText) {
    const int slot = loadCard({.name = "Alpha", .colours = 0x01});
    selectEntry(0);
    click(colourButton);
    EXPECT_EQ(colourPickerOpen, 1);
    EXPECT_TRUE(IsWindowVisible(colourList));
    EXPECT_FALSE(IsWindowVisible(editionEdit));
    EXPECT_FALSE(IsWindowVisible(textEdit));
    EXPECT_TRUE(IsWindowVisible(commentEdit));

    selectColour(0, false);
    selectColour(4, true);  // "Green"
    selectColour(7, true);  // "Land"
    click(colourButton);
    EXPECT_EQ(colourPickerOpen, 0);
    EXPECT_FALSE(IsWindowVisible(colourList));
    EXPECT_TRUE(IsWindowVisible(editionEdit));
    EXPECT_TRUE(IsWindowVisible(textEdit));
    EXPECT_EQ(textOf(colourButton), "Land");
    // Only Update copies the selection into the card.
    EXPECT_EQ(cardTable.slots[slot].colours, 0x01);
    click(updateButton);
    EXPECT_EQ(cardTable.slots[slot].colours, 0x90);

    // Closing with nothing selected leaves the caption as it was.
    click(colourButton);
    selectColour(4, false);
    selectColour(7, false);
    click(colourButton);
    EXPECT_EQ(textOf(colourButton), "Land");
}

TEST_F(CommandTest, UpdateReadsColoursWhileThePickerIsOpen) {
    const int slot = loadCard({"Alpha"});
    selectEntry(0);
    click(colourButton);
    selectColour(2, true);
    click(updateButton);
    EXPECT_EQ(cardTable.slots[slot].colours, 0x04);
    EXPECT_EQ(colourPickerOpen, 1);
}

TEST_F(CommandTest, AddRefusesWhenTheTableIsFull) {
    loadCard({"Alpha"});
    cardTable.slotCount = MaxCards;
    SendMessageA(cardList, LB_SETCURSEL, 0, 0);
    BoxAnswer box;
    answerNextBox(box);
    click(addButton);
    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.caption, "Cardloom");
    EXPECT_STREQ(box.text, "Cardloom can't hold more than 8192 cards.");
    EXPECT_EQ(box.owner, mainWindow);
    EXPECT_EQ(cardTable.slotCount, MaxCards);
    EXPECT_EQ(entryCount(), 1);
    EXPECT_EQ(selectedEntry(), 0);
}

TEST_F(CommandTest, TextTypedWithoutUpdateIsNotSaved) {
    const char* const path = "editor_unsaved_test.dat";
    DeleteFileA(path);
    loadCard({"Alpha"});
    loadCard({"Beta"});
    selectEntry(0);
    setText(nameEdit, "Typed");
    setText(textEdit, "Typed text");
    ASSERT_EQ(copyField(dataFilePath, DataFilePathSize, path), 1);
    BoxAnswer box;
    answerNextBox(box);
    click(saveButton);
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(std::string(box.text), std::string(path) + " created successfully");

    static CardTable saved;
    FileProblem problem;
    ASSERT_EQ(loadCardFile(path, saved, &problem), 1) << problem.what;
    ASSERT_EQ(saved.slotCount, 2);
    EXPECT_STREQ(saved.slots[0].name, "Alpha");
    EXPECT_STREQ(saved.slots[0].text, "Text");
    EXPECT_EQ(textOf(nameEdit), "Typed");
    DeleteFileA(path);
}
