// The editing commands: they move card data between the card table and the
// controls of the main window.
#pragma once

extern int currentListPosition;  // cardList position of the card last selected, -1 before any
extern int currentSlot;          // slot index of the card last selected, -1 before any
extern int colourPickerOpen;     // 1 while colourList is shown over the edition and text fields

// Shows the card focused in cardList in the edit fields and the colour list.
void showCard();
// Writes the edit fields and the colour selection back into the card last shown.
void commitCard();
// Opens or closes the colour picker.
void toggleColourPicker();
// Inserts a new card with default fields at the selected list position.
void addCard();
// Deletes the selected card.
void deleteCard();
