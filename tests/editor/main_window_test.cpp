// The main window and its controls as created, the routing of messages in the
// window procedure, and the menu commands About and Exit.
#include <cstring>
#include <string>

#include "card/card_table.h"
#include "editor/commands.h"
#include "editor/main_window.h"
#include "res/resource.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/answer.h"

namespace {

std::string classOf(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

DWORD styleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
}
DWORD exStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
}

struct ControlExpectation {
    HWND* handle;
    const char* name;
    const char* windowClass;
    DWORD style;       // bits that must be set
    DWORD absent;      // bits that must be clear
    DWORD exStyle;     // WS_EX_CLIENTEDGE or 0
    const char* text;  // caption; null for the fields and lists
    int limit;         // EM_GETLIMITTEXT of an edit field, 0 otherwise
};

constexpr DWORD Field = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD MultiLine = Field | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE;
constexpr DWORD Button = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const ControlExpectation Inventory[] = {
    {&nameEdit, "nameEdit", "EDIT", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, WS_TABSTOP | ES_MULTILINE,
     WS_EX_CLIENTEDGE, nullptr, NameWidth - 1},
    {&cardList, "cardList", "LISTBOX",
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_DISABLENOSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS |
         LBS_SORT | LBS_NOTIFY,
     LBS_MULTIPLESEL | LBS_EXTENDEDSEL, WS_EX_CLIENTEDGE, nullptr, 0},
    {&textEdit, "textEdit", "EDIT", MultiLine, 0, WS_EX_CLIENTEDGE, nullptr, TextWidth - 1},
    {&typeEdit, "typeEdit", "EDIT", Field, ES_MULTILINE, WS_EX_CLIENTEDGE, nullptr, TypeWidth - 1},
    {&editionEdit, "editionEdit", "EDIT", Field, ES_MULTILINE, WS_EX_CLIENTEDGE, nullptr, EditionWidth - 1},
    {&costEdit, "costEdit", "EDIT", Field, ES_MULTILINE, WS_EX_CLIENTEDGE, nullptr, CostWidth - 1},
    {&ptEdit, "ptEdit", "EDIT", Field, ES_MULTILINE, WS_EX_CLIENTEDGE, nullptr, PtWidth - 1},
    {&commentEdit, "commentEdit", "EDIT", MultiLine, 0, WS_EX_CLIENTEDGE, nullptr, CommentWidth - 1},
    {&updateButton, "updateButton", "BUTTON", Button, 0x0F, 0, "&Update", 0},
    {&saveButton, "saveButton", "BUTTON", Button, 0x0F, 0, "&Save", 0},
    {&colourList, "colourList", "LISTBOX", WS_CHILD | LBS_MULTIPLESEL,
     WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, nullptr, 0},
    {&colourButton, "colourButton", "BUTTON", Button, 0x0F, 0, "", 0},
    {&addButton, "addButton", "BUTTON", Button, 0x0F, 0, "&Add", 0},
    {&deleteButton, "deleteButton", "BUTTON", Button, 0x0F, 0, "&Delete", 0},
};

}  // namespace

TEST_F(EditorTest, MainWindowIsTheSmallStartUpWindow) {
    EXPECT_EQ(classOf(mainWindow), "Cardloom");
    EXPECT_EQ(textOf(mainWindow), "Cardloom v5.0 by Kesp");
    EXPECT_EQ(styleOf(mainWindow) & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(IsWindowVisible(mainWindow));
    RECT outer;
    GetWindowRect(mainWindow, &outer);
    EXPECT_EQ(outer.right - outer.left, 260);
    EXPECT_EQ(outer.bottom - outer.top, 65);
    EXPECT_EQ(textOf(nameEdit), "Please wait while loading Cardloom");
    EXPECT_EQ(layoutEnabled, 1);
}

TEST_F(EditorTest, ControlInventory) {
    for (const ControlExpectation& expected : Inventory) {
        SCOPED_TRACE(expected.name);
        HWND control = *expected.handle;
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), mainWindow);
        EXPECT_STRCASEEQ(classOf(control).c_str(), expected.windowClass);  // Windows answers "Edit"
        EXPECT_EQ(styleOf(control) & (expected.style | expected.absent), expected.style);
        EXPECT_EQ(exStyleOf(control) & WS_EX_CLIENTEDGE, expected.exStyle);
        if (expected.text) {
            EXPECT_EQ(textOf(control), expected.text);
        }
        if (expected.limit) {
            EXPECT_EQ(SendMessageA(control, EM_GETLIMITTEXT, 0, 0), expected.limit);
        }
        EXPECT_EQ(IsWindowVisible(control) != 0, control != colourList);
    }
    // Nothing is placed before the first size change: the start-up field
    // where initMainWindow put it, the rest out of sight at x = 300.
    EXPECT_EQ(placeOf(nameEdit), (Place{5, 0, 240, 20}));
    EXPECT_EQ(placeOf(cardList), (Place{300, 0, 10, 10}));
    EXPECT_EQ(placeOf(deleteButton), (Place{300, 0, 10, 10}));
}

TEST_F(EditorTest, ColourListHoldsTheEightColoursInBitOrderUnselected) {
    const char* const expected[] = {"White", "Blue", "Black", "Red", "Green", "Gold", "Artifact", "Land"};
    ASSERT_EQ(SendMessageA(colourList, LB_GETCOUNT, 0, 0), 8);
    for (int i = 0; i < 8; ++i) {
        char item[32] = {};
        ASSERT_LT(SendMessageA(colourList, LB_GETTEXTLEN, i, 0), static_cast<LRESULT>(sizeof item));
        SendMessageA(colourList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, expected[i]);
        EXPECT_FALSE(colourSelected(i)) << expected[i];
    }
    EXPECT_EQ(SendMessageA(colourList, LB_GETSELCOUNT, 0, 0), 0);
}

TEST_F(EditorTest, SizeChangesPlaceControlsOnlyOnceLayoutIsEnabled) {
    layoutEnabled = 0;
    SendMessageA(mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 700));
    EXPECT_EQ(placeOf(nameEdit), (Place{5, 0, 240, 20}));
    EXPECT_EQ(placeOf(cardList), (Place{300, 0, 10, 10}));

    layoutEnabled = 1;
    SendMessageA(mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 700));
    EXPECT_EQ(placeOf(nameEdit), (Place{220, 10, 525, 20}));
    EXPECT_EQ(placeOf(cardList), (Place{10, 10, 200, 660}));
}

TEST_F(EditorTest, AboutShowsFourLinesOwnedByTheMainWindow) {
    loadCard({"Alpha"});
    selectEntry(0);
    BoxAnswer box;
    answerNextBox(box);
    EXPECT_EQ(SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0), 0);
    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.caption, "About");
    EXPECT_STREQ(box.text, "Cardloom v5.0\nMade by Kesp (kesp@example.org)\n\nhttps://cardloom.example.org");
    EXPECT_EQ(box.owner, mainWindow);
    EXPECT_FALSE(box.ownerEnabled);
    // Nothing else happens: the card and the list stay as they were.
    EXPECT_EQ(entryCount(), 1);
    EXPECT_EQ(currentSlot, 0);
    EXPECT_STREQ(cardTable.slots[0].name, "Alpha");
}

TEST_F(EditorTest, ExitClosesTheWindowAndEndsTheLoopWithoutAsking) {
    const int slot = loadCard({"Alpha"});
    selectEntry(0);
    SendMessageA(nameEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Unsaved"));
    EXPECT_EQ(SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0), 0);
    // The close is posted, not done at once.
    EXPECT_TRUE(IsWindow(mainWindow));
    EXPECT_EQ(runUntilQuit(), 0);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_STREQ(cardTable.slots[slot].name, "Alpha");
}

TEST_F(EditorTest, NotificationsThatAreNoCommandChangeNothing) {
    const int slot = loadCard({.name = "Alpha", .edition = "Ed", .type = "Ty", .colours = 0x01});
    loadCard({"Beta"});
    selectEntry(0);
    SendMessageA(nameEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Changed"));
    // An edit field's change notification, a double click in the card list,
    // and a selection change reported by the colour list.
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, EN_CHANGE), reinterpret_cast<LPARAM>(nameEdit));
    SendMessageA(cardList, LB_SETCURSEL, 1, 0);
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, LBN_DBLCLK), reinterpret_cast<LPARAM>(cardList));
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(colourList));
    EXPECT_EQ(currentListPosition, 0);
    EXPECT_EQ(currentSlot, slot);
    EXPECT_STREQ(cardTable.slots[slot].name, "Alpha");
    EXPECT_EQ(textOf(nameEdit), "Changed");
    EXPECT_EQ(entryText(0), "Alpha");
    EXPECT_EQ(entryCount(), 2);
}

TEST_F(EditorTest, ButtonClicksReachTheirCommands) {
    loadCard({"Alpha"});
    loadCard({"Beta"});
    SendMessageA(cardList, LB_SETCURSEL, 1, 0);
    SendMessageA(addButton, BM_CLICK, 0, 0);
    ASSERT_EQ(entryCount(), 3);
    EXPECT_EQ(entryText(1), "New card");
    SendMessageA(cardList, LB_SETCURSEL, 0, 0);
    SendMessageA(deleteButton, BM_CLICK, 0, 0);
    EXPECT_EQ(entryCount(), 2);
    EXPECT_EQ(cardTable.slots[0].active, 0);
    SendMessageA(colourButton, BM_CLICK, 0, 0);
    EXPECT_EQ(colourPickerOpen, 1);
}
