// Moving the card table between the data file and the window: loading at
// start-up into cardList, saving from the Save button with its confirmation.
#pragma once

// Loads the file at dataFilePath into cardTable and adds every card's name to
// cardList with its slot index as item data. Returns 1 on success; 0 when the
// file cannot be opened or is damaged (table and list then unchanged).
int loadCards();

// Writes the active cards to dataFilePath and confirms with a box owned by
// mainWindow; on any failure reports SaveFailed instead and the old file stays.
void saveCards();
