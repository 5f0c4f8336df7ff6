#include "tests/editor/editor_fixture.h"

#include <ostream>

#include "card/card_table.h"
#include "editor/commands.h"
#include "editor/main_window.h"
#include "tests/support/shell_fixture.h"

void EditorTest::SetUp() {
    resetProgramState();
    instance = GetModuleHandleA(nullptr);
    ASSERT_EQ(initMainWindow(instance), 1);
    ASSERT_EQ(createControls(instance), 1);
}

void EditorTest::TearDown() {
    if (mainWindow && IsWindow(mainWindow)) {
        DestroyWindow(mainWindow);
        // The window posts WM_QUIT when destroyed; take it off the queue so
        // that the next test's modal boxes do not end at once.
        runUntilQuit();
    }
    UnregisterClassA("Cardloom", instance);
}

int EditorTest::loadCard(const TestCard& texts) {
    const int slot = cardTable.slotCount;
    CardRecord& card = putCard(cardTable, texts);
    const LRESULT position = SendMessageA(cardList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(card.name));
    SendMessageA(cardList, LB_SETITEMDATA, position, slot);
    return slot;
}

void EditorTest::selectEntry(int position) {
    SendMessageA(cardList, LB_SETCURSEL, position, 0);
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(cardList));
}

void EditorTest::click(HWND button) {
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::string EditorTest::entryText(int position) {
    return listText(cardList, position);
}

int EditorTest::entrySlot(int position) {
    return static_cast<int>(SendMessageA(cardList, LB_GETITEMDATA, position, 0));
}

int EditorTest::entryCount() {
    return static_cast<int>(SendMessageA(cardList, LB_GETCOUNT, 0, 0));
}

int EditorTest::selectedEntry() {
    return static_cast<int>(SendMessageA(cardList, LB_GETCURSEL, 0, 0));
}

Place EditorTest::placeOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool EditorTest::colourSelected(int item) {
    return SendMessageA(colourList, LB_GETSEL, item, 0) > 0;
}

void PrintTo(const Place& place, std::ostream* out) {
    *out << "(" << place.x << ", " << place.y << ", " << place.width << ", " << place.height << ")";
}
