// The one top-level window, its fourteen child controls and the window
// procedure that routes their notifications to the editing commands.
#pragma once

#include "platform/win32.h"

extern HWND mainWindow;    // the top-level window "Cardloom"
extern HWND nameEdit;      // card name (also the wait text during start-up)
extern HWND cardList;      // sorted list of card names, item data = slot index
extern HWND textEdit;      // multi-line card text
extern HWND typeEdit;      // type line
extern HWND editionEdit;   // edition
extern HWND costEdit;      // cost
extern HWND ptEdit;        // "P/T" value
extern HWND commentEdit;   // multi-line comment
extern HWND updateButton;  // writes the fields back into the card
extern HWND saveButton;    // writes the card file
extern HWND colourList;    // eight-item multiple-selection colour picker, hidden when closed
extern HWND colourButton;  // opens/closes the picker; caption = highest colour
extern HWND addButton;     // inserts a new card at the selected position
extern HWND deleteButton;  // deletes the selected card
extern int layoutEnabled;  // nonzero once the main window is up: WM_SIZE places the controls

// Registers the class, creates and shows the small start-up window with the
// name field showing the wait text. Returns 1, or 0 when the class or the
// window cannot be made.
int initMainWindow(HINSTANCE instance);

// Creates the other thirteen controls and fills the colour list. Returns 1,
// or 0 when any control could not be created.
int createControls(HINSTANCE instance);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
