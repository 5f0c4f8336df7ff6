// The editing commands. A card is always found by its slot index: the list
// carries it as each entry's item data, and the edit fields are written back
// into the slot that was shown last.
#include "editor/commands.h"

#include <cstddef>
#include <cstring>

#include "card/card_table.h"
#include "editor/main_window.h"

int currentListPosition = -1;
int currentSlot = -1;
int colourPickerOpen;

namespace {

// One text field of a card and the edit control that shows it.
struct FieldControl {
    HWND* control;
    CardField field;
};

// In the order showCard fills the controls; row 0 is the name.
const FieldControl FieldControls[] = {
    {&nameEdit, CardField::Name},       {&textEdit, CardField::Text}, {&typeEdit, CardField::Type},
    {&editionEdit, CardField::Edition}, {&costEdit, CardField::Cost}, {&ptEdit, CardField::Pt},
    {&commentEdit, CardField::Comment},
};

static_assert(MaxCards == 8192, "the full-table message names the table size");

constexpr int LongestField = TextWidth > CommentWidth ? TextWidth : CommentWidth;

char* fieldOf(CardRecord& card, const FieldControl& field) {
    return fieldText(card, field.field);
}

int widthOf(const FieldControl& field) {
    return infoOf(field.field).width;
}

// The slot an entry's item data names, or -1 when it names no used slot.
int slotOfEntry(int position) {
    const LRESULT data = SendMessageA(cardList, LB_GETITEMDATA, position, 0);
    return data >= 0 && data < cardTable.slotCount ? static_cast<int>(data) : -1;
}

void setText(HWND control, const char* text) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Reads line `line` of an edit control into `buffer` (at most size - 1
// characters, then NUL) and returns its length.
int readLine(HWND control, int line, char* buffer, int size) {
    // EM_GETLINE takes the room in the buffer's first word and writes no NUL.
    const WORD room = static_cast<WORD>(size - 1);
    std::memcpy(buffer, &room, sizeof room);
    LRESULT count = SendMessageA(control, EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer));
    if (count < 0) count = 0;
    if (count > size - 1) count = size - 1;
    buffer[count] = '\0';
    return static_cast<int>(count);
}

// Appends `text` (length `length`) to the field `field` that holds `used`
// characters, never going past width - 1; returns the new length.
int append(char* field, int used, int width, const char* text, int length) {
    if (length > width - 1 - used) length = width - 1 - used;
    std::memcpy(field + used, text, length);
    field[used + length] = '\0';
    return used + length;
}

// Copies an edit control into a field: every line joined with CR LF, no
// break after the last. The controls are limited to the field's width, so
// the whole text fits.
void readField(const FieldControl& field, CardRecord& card) {
    char* target = fieldOf(card, field);
    char line[LongestField];
    const LRESULT lineCount = SendMessageA(*field.control, EM_GETLINECOUNT, 0, 0);
    int used = 0;
    target[0] = '\0';
    for (int i = 0; i < lineCount; ++i) {
        if (i > 0) used = append(target, used, widthOf(field), "\r\n", 2);
        const int length = readLine(*field.control, i, line, widthOf(field));
        used = append(target, used, widthOf(field), line, length);
    }
}

// The list position of the entry for `slot`: the one recorded at the last
// selection when it still holds that slot, else wherever Add or Delete moved
// it; -1 when the list no longer holds it.
int findEntry(int slot) {
    if (slotOfEntry(currentListPosition) == slot) return currentListPosition;
    const LRESULT count = SendMessageA(cardList, LB_GETCOUNT, 0, 0);
    for (int position = 0; position < count; ++position) {
        if (slotOfEntry(position) == slot) return position;
    }
    return -1;
}

bool colourSelected(int item) {
    return SendMessageA(colourList, LB_GETSEL, item, 0) > 0;
}

void showFields(int command) {
    ShowWindow(editionEdit, command);
    ShowWindow(textEdit, command);
}

}  // namespace

void showCard() {
    const int position = static_cast<int>(SendMessageA(cardList, LB_GETCARETINDEX, 0, 0));
    const int slot = position < 0 ? -1 : slotOfEntry(position);
    if (slot < 0) return;
    currentListPosition = position;
    currentSlot = slot;

    CardRecord& card = cardTable.slots[slot];
    for (const FieldControl& field : FieldControls) setText(*field.control, fieldOf(card, field));
    for (int i = 0; i < ColourCount; ++i) {
        const bool set = (card.colours >> i) & 1;
        SendMessageA(colourList, LB_SETSEL, set, i);
        if (set) setText(colourButton, ColourNames[i]);
    }
}

void commitCard() {
    if (currentListPosition < 0 || currentSlot < 0 || currentSlot >= cardTable.slotCount) return;
    CardRecord& card = cardTable.slots[currentSlot];
    if (!card.active) return;

    char name[NameWidth];
    if (readLine(nameEdit, 0, name, NameWidth) == 0) return;
    const int position = findEntry(currentSlot);
    if (position < 0) return;

    std::memcpy(card.name, name, sizeof name);
    SendMessageA(cardList, LB_DELETESTRING, position, 0);
    const LRESULT inserted =
        SendMessageA(cardList, LB_INSERTSTRING, position, reinterpret_cast<LPARAM>(card.name));
    if (inserted >= 0) SendMessageA(cardList, LB_SETITEMDATA, inserted, currentSlot);

    for (const FieldControl& field : FieldControls) {
        if (field.control != &nameEdit) readField(field, card);
    }

    int colours = 0;
    for (int i = 0; i < ColourCount; ++i) {
        if (colourSelected(i)) colours |= 1 << i;
    }
    card.colours = colours;
}

void toggleColourPicker() {
    if (!colourPickerOpen) {
        showFields(SW_HIDE);
        ShowWindow(colourList, SW_SHOW);
        colourPickerOpen = 1;
        return;
    }
    showFields(SW_SHOW);
    ShowWindow(colourList, SW_HIDE);
    for (int i = 0; i < ColourCount; ++i) {
        if (colourSelected(i)) setText(colourButton, ColourNames[i]);
    }
    colourPickerOpen = 0;
}

void addCard() {
    const LRESULT selected = SendMessageA(cardList, LB_GETCURSEL, 0, 0);
    if (selected < 0) return;
    if (cardTable.slotCount >= MaxCards) {
        MessageBoxA(mainWindow, "Cardloom can't hold more than 8192 cards.", "Cardloom", MB_OK);
        return;
    }

    const int slot = cardTable.slotCount++;
    CardRecord& card = cardTable.slots[slot];
    for (const FieldControl& field : FieldControls)
        copyField(fieldOf(card, field), widthOf(field), infoOf(field.field).addDefault);
    card.colours = 0;
    card.active = 1;

    const LRESULT inserted =
        SendMessageA(cardList, LB_INSERTSTRING, selected, reinterpret_cast<LPARAM>(card.name));
    if (inserted >= 0) SendMessageA(cardList, LB_SETITEMDATA, inserted, slot);
}

void deleteCard() {
    const LRESULT selected = SendMessageA(cardList, LB_GETCURSEL, 0, 0);
    if (selected < 0) return;
    const int slot = slotOfEntry(static_cast<int>(selected));
    SendMessageA(cardList, LB_DELETESTRING, selected, 0);
    if (slot >= 0) cardTable.slots[slot].active = 0;
}
