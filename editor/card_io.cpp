// Loading the data file into the card table and the card list at start-up,
// and saving the table back when the user presses Save.
#include "editor/card_io.h"

#include <cstring>

#include "app/error_report.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "editor/main_window.h"
#include "settings/data_file.h"

namespace {

const char SavedSuffix[] = " created successfully";

}  // namespace

int loadCards() {
    FileProblem problem;
    if (!loadCardFile(dataFilePath, cardTable, &problem)) return 0;

    // The list is filled without redrawing each entry; the layout that follows
    // the load moves and repaints it.
    SendMessageA(cardList, WM_SETREDRAW, FALSE, 0);
    int filled = 1;
    for (int slot = 0; slot < cardTable.slotCount && filled; ++slot) {
        LRESULT position =
            SendMessageA(cardList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(cardTable.slots[slot].name));
        if (position < 0)
            filled = 0;
        else
            SendMessageA(cardList, LB_SETITEMDATA, static_cast<WPARAM>(position), slot);
    }
    SendMessageA(cardList, WM_SETREDRAW, TRUE, 0);
    if (filled) return 1;

    // A list that cannot hold every card would hide some from editing and
    // saving; the load fails as a whole instead.
    SendMessageA(cardList, LB_RESETCONTENT, 0, 0);
    clearCardTable(cardTable);
    return 0;
}

void saveCards() {
    char path[DataFilePathSize];
    FileProblem problem;
    if (!copyField(path, sizeof path, dataFilePath) || !saveCardFile(path, cardTable, &problem)) {
        reportError(SaveFailed);
        return;
    }
    // Sized for the longest path and the suffix, so both copies fit.
    char confirmation[DataFilePathSize + sizeof SavedSuffix];
    const int pathLength = static_cast<int>(std::strlen(path));
    copyField(confirmation, sizeof confirmation, path);
    copyField(confirmation + pathLength, static_cast<int>(sizeof confirmation) - pathLength, SavedSuffix);
    MessageBoxA(mainWindow, confirmation, "Cardloom", MB_OK);
}
