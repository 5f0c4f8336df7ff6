// Loading the data file into the table and the card list, and saving from
// the window: the bytes written, the confirmation and the SaveFailed road.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "card/card_table.h"
#include "editor/card_io.h"
#include "editor/main_window.h"
#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

namespace {

class CardIoTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        makeEditorWindow();
        dataFile = scratchPath("cardinfo.dat");
    }
    void useDataFile(const std::string& path) {
        ASSERT_TRUE(copyField(dataFilePath, sizeof dataFilePath, path.c_str()));
    }
    static LRESULT listCount() { return SendMessageA(cardList, LB_GETCOUNT, 0, 0); }
    static LRESULT slotAt(int position) { return SendMessageA(cardList, LB_GETITEMDATA, position, 0); }
    void loadFrom(const std::vector<TestCard>& cards) {
        writeFile(dataFile, cardFileBytes(cards));
        useDataFile(dataFile);
        ASSERT_EQ(loadCards(), 1);
    }

    std::string dataFile;
};

// The user's actions, as the window receives them.
void selectEntry(int position) {
    SendMessageA(cardList, LB_SETCURSEL, position, 0);
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(cardList));
}
void click(HWND button) {
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}
void setText(HWND control, const char* text) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

const std::vector<TestCard> ThreeCards = {
    {"Beta", "Ed B", "Type B", "2", "2/2", "Text B", "Comment B", 0x0A},
    {"Alpha", "Ed A", "Type A", "1", "1/1", "Line 1\r\nLine 2", "", 0xFF},
    {"Beta", "Ed C", "", "", "", "", "", 0},
};

TEST_F(CardIoTest, LoadPutsCardsInFileOrderAndListsThemSortedWithSlots) {
    loadFrom(ThreeCards);
    EXPECT_EQ(cardTable.slotCount, 3);
    EXPECT_STREQ(cardTable.slots[0].name, "Beta");
    EXPECT_STREQ(cardTable.slots[1].text, "Line 1\r\nLine 2");
    EXPECT_EQ(cardTable.slots[1].colours, 0xFF);
    EXPECT_EQ(cardTable.slots[2].active, 1);
    ASSERT_EQ(listCount(), 3);
    EXPECT_EQ(listText(cardList, 0), "Alpha");
    EXPECT_EQ(slotAt(0), 1);
    // The two cards named Beta each have their own entry.
    EXPECT_EQ(listText(cardList, 1), "Beta");
    EXPECT_EQ(listText(cardList, 2), "Beta");
    EXPECT_EQ(slotAt(1) + slotAt(2), 0 + 2);
}

TEST_F(CardIoTest, EmptyFileLoadsAsNoCards) {
    loadFrom({});
    EXPECT_EQ(cardTable.slotCount, 0);
    EXPECT_EQ(listCount(), 0);
}

TEST_F(CardIoTest, MissingOrDamagedFileLoadsNothing) {
    Bytes truncated = cardFileBytes(ThreeCards);
    truncated.resize(truncated.size() - 3);
    writeFile(dataFile, truncated);
    for (const std::string& path : {scratchPath("missing.dat"), dataFile}) {
        SCOPED_TRACE(path);
        useDataFile(path);
        EXPECT_EQ(loadCards(), 0);
        EXPECT_EQ(cardTable.slotCount, 0);
        EXPECT_EQ(cardTable.slots[0].active, 0);
        EXPECT_EQ(listCount(), 0);
    }
}

TEST_F(CardIoTest, SaveWritesLiveSlotsInSlotOrderAndConfirms) {
    loadFrom(ThreeCards);
    // An edit, a delete and an add, as the editing commands leave the table.
    ASSERT_TRUE(copyField(cardTable.slots[1].cost, sizeof cardTable.slots[1].cost, "7"));
    cardTable.slots[0].active = 0;
    const CardRecord& card = putCard(cardTable, TestCard{});
    SendMessageA(cardList, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(card.name));

    BoxAnswer box;
    answerNextBox(box);
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(saveButton));
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(std::string(box.text), dataFile + " created successfully");
    EXPECT_STREQ(box.caption, "Cardloom");
    EXPECT_EQ(box.owner, mainWindow);

    std::vector<TestCard> expected = {
        ThreeCards[1], ThreeCards[2], {"New card", "Edition", "Type", "Cost", "P/T", "Text", "Comment", 0}};
    expected[0].cost = "7";
    Bytes written;
    ASSERT_TRUE(readFile(dataFile, written));
    EXPECT_EQ(written, cardFileBytes(expected));
    EXPECT_EQ(listCount(), 4) << "saving leaves the list alone";

    // A second save without changes writes the same bytes.
    BoxAnswer again;
    answerNextBox(again);
    saveCards();
    EXPECT_TRUE(again.seen);
    Bytes rewritten;
    ASSERT_TRUE(readFile(dataFile, rewritten));
    EXPECT_EQ(rewritten, written);
}

TEST_F(CardIoTest, SaveWithNoLiveCardsWritesTheEmptyFile) {
    loadFrom(ThreeCards);
    for (int slot = 0; slot < cardTable.slotCount; ++slot) cardTable.slots[slot].active = 0;
    BoxAnswer box;
    answerNextBox(box);
    saveCards();
    EXPECT_TRUE(box.seen);
    Bytes written;
    ASSERT_TRUE(readFile(dataFile, written));
    EXPECT_EQ(written, Bytes({4, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CardIoTest, FailedSaveShowsOnlySaveFailedAndChangesNothing) {
    loadFrom(ThreeCards);
    const Bytes original = cardFileBytes(ThreeCards);
    const std::string storedPath = dataFile;
    storeValue(storedPath.c_str(), static_cast<DWORD>(storedPath.size() + 1));
    ASSERT_TRUE(copyField(cardTable.slots[1].text, sizeof cardTable.slots[1].text, "a^^b"));
    const CardRecord before = cardTable.slots[1];

    // A missing folder, and a folder where the file should be.
    const std::string folder = scratchPath("folder.dat");
    std::filesystem::create_directory(folder);
    for (const std::string& target : {scratchPath("no such folder") + "/cardinfo.dat", folder}) {
        SCOPED_TRACE(target);
        useDataFile(target);
        BoxAnswer failure, confirmation;
        answerNextBox(failure);
        answerNextBox(confirmation);
        saveCards();
        ASSERT_TRUE(failure.seen);
        EXPECT_STREQ(failure.text, "The updates cardinfo.dat couldn't be saved.");
        EXPECT_STREQ(failure.caption, "Cardloom error");
        EXPECT_EQ(failure.owner, mainWindow);
        EXPECT_FALSE(confirmation.seen) << confirmation.text;
        EXPECT_EQ(std::memcmp(&cardTable.slots[1], &before, sizeof before), 0) << "no card changes";
        EXPECT_TRUE(IsWindow(mainWindow)) << "the editor keeps running";
    }
    EXPECT_FALSE(fileExists(scratchPath("no such folder")));
    Bytes after;
    ASSERT_TRUE(readFile(dataFile, after));
    EXPECT_EQ(after, original) << "the loaded file is untouched";
    std::string value;
    ASSERT_TRUE(storedValue(value)) << "SaveFailed keeps the stored path";
    EXPECT_EQ(value, storedPath);
}

TEST_F(CardIoTest, ConfirmationShowsALongPathWhole) {
    // A path of 259 characters, the most the program holds.
    const std::string folderPart = scratchPath("");
    const std::size_t fill = DataFilePathSize - 1 - folderPart.size() - 1 - std::strlen("cardinfo.dat");
    ASSERT_LE(fill, 255u);
    const std::string folder = folderPart + std::string(fill, 'd');
    std::filesystem::create_directory(folder);
    const std::string path = (std::filesystem::path(folder) / "cardinfo.dat").string();
    ASSERT_EQ(path.size(), 259u);
    useDataFile(path);
    BoxAnswer box;
    answerNextBox(box);
    saveCards();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(std::strlen(box.text), 280u);
    EXPECT_EQ(std::string(box.text), path + " created successfully");
    EXPECT_TRUE(fileExists(path));
}

TEST_F(CardIoTest, EditAddAndDeleteThenSaveWritesLiveSlotsAndReloadsSorted) {
    const std::vector<TestCard> cards = {
        {"Delta", "Ed D", "Type D", "4", "4/4", "Text D", "", 0x01},
        {"alpha", "Ed a", "Type a", "1", "1/1", "Text a", "Comment a", 0x80},
        {"Charlie", "Ed C", "Type C", "3", "3/3", "Text C", "", 0x06},
        {"Bravo", "Ed B", "Type B", "2", "2/2", "", "", 0},
    };
    loadFrom(cards);  // listed alpha, Bravo, Charlie, Delta

    selectEntry(2);  // Charlie, slot 2
    setText(nameEdit, "Aardvark");
    setText(costEdit, "9");
    setText(textEdit, "one\r\n\r\nthree\r\n");
    SendMessageA(colourList, LB_SETSEL, TRUE, 7);
    click(updateButton);
    EXPECT_EQ(listText(cardList, 2), "Aardvark") << "renaming keeps the list position";

    selectEntry(0);       // alpha, slot 1
    click(addButton);     // "New card" in slot 4 at position 0, alpha moves to 1
    click(deleteButton);  // alpha, still selected
    setText(typeEdit, "Typed without Update");

    BoxAnswer box;
    answerNextBox(box);
    click(saveButton);
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(std::string(box.text), dataFile + " created successfully");
    const std::vector<TestCard> expected = {
        cards[0],
        {"Aardvark", "Ed C", "Type C", "9", "3/3", "one\r\n\r\nthree\r\n", "", 0x86},
        cards[3],
        {"New card", "Edition", "Type", "Cost", "P/T", "Text", "Comment", 0},
    };
    Bytes written;
    ASSERT_TRUE(readFile(dataFile, written));
    EXPECT_EQ(written, cardFileBytes(expected));

    // The next start: the saved cards in slots 0 to 3, listed sorted.
    SendMessageA(cardList, LB_RESETCONTENT, 0, 0);
    clearCardTable(cardTable);
    ASSERT_EQ(loadCards(), 1);
    EXPECT_EQ(cardTable.slotCount, 4);
    const char* const names[] = {"Aardvark", "Bravo", "Delta", "New card"};
    const LRESULT slots[] = {1, 2, 0, 3};
    ASSERT_EQ(listCount(), 4);
    for (int position = 0; position < 4; ++position) {
        EXPECT_EQ(listText(cardList, position), names[position]);
        EXPECT_EQ(slotAt(position), slots[position]);
    }
}

TEST_F(CardIoTest, SaveOverAReadOnlyFileFailsAndKeepsIt) {
    loadFrom(ThreeCards);
    const Bytes original = cardFileBytes(ThreeCards);
    ASSERT_TRUE(copyField(cardTable.slots[0].name, sizeof cardTable.slots[0].name, "Changed"));
    namespace fs = std::filesystem;
    fs::permissions(dataFile, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    BoxAnswer failure, confirmation;
    answerNextBox(failure);
    answerNextBox(confirmation);
    click(saveButton);
    fs::permissions(dataFile, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(failure.seen);
    EXPECT_STREQ(failure.text, "The updates cardinfo.dat couldn't be saved.");
    EXPECT_STREQ(failure.caption, "Cardloom error");
    EXPECT_FALSE(confirmation.seen) << confirmation.text;
    Bytes after;
    ASSERT_TRUE(readFile(dataFile, after));
    EXPECT_EQ(after, original);
    EXPECT_STREQ(cardTable.slots[0].name, "Changed") << "the cards stay for another try";
}

}  // namespace
