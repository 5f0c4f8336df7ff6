#include "editor_fixture.h"

#include <ostream>

#include "card/card_table.h"
#include "editor/commands.h"
#include "editor/main_window.h"

void EditorTest::SetUp() {
    clearCardTable(cardTable);
    currentListPosition = -1;
    currentSlot = -1;
    colourPickerOpen = 0;
    layoutEnabled = 0;
    for (HWND* handle :
         {&mainWindow, &nameEdit, &cardList, &textEdit, &typeEdit, &editionEdit, &costEdit, &ptEdit,
          &commentEdit, &updateButton, &saveButton, &colourList, &colourButton, &addButton, &deleteButton})
        *handle = nullptr;
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

int EditorTest::loadCard(const CardTexts& texts, int colours) {
    const int slot = cardTable.slotCount++;
    CardRecord& card = cardTable.slots[slot];
    copyField(card.name, NameWidth, texts.name);
    copyField(card.edition, EditionWidth, texts.edition);
    copyField(card.type, TypeWidth, texts.type);
    copyField(card.cost, CostWidth, texts.cost);
    copyField(card.pt, PtWidth, texts.pt);
    copyField(card.text, TextWidth, texts.text);
    copyField(card.comment, CommentWidth, texts.comment);
    card.colours = colours;
    card.active = 1;
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

int EditorTest::runUntilQuit() {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

std::string EditorTest::textOf(HWND control) {
    static char buffer[4096];
    buffer[0] = '\0';
    GetWindowTextA(control, buffer, sizeof buffer);
    return buffer;
}

std::string EditorTest::entryText(int position) {
    static char buffer[NameWidth + 16];
    buffer[0] = '\0';
    if (SendMessageA(cardList, LB_GETTEXTLEN, position, 0) >= static_cast<LRESULT>(sizeof buffer))
        return "<too long>";
    SendMessageA(cardList, LB_GETTEXT, position, reinterpret_cast<LPARAM>(buffer));
    return buffer;
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
