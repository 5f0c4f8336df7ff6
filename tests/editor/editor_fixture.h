// A fresh editor for each test: empty card table, editor state at its start
// values, the main window and its fourteen controls newly made, and helpers
// that act as the user and read back what the window shows.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/support/test_cards.h"
#include "tests/support/window_probe.h"

// A control's place in the client area of mainWindow.
struct Place {
    int x, y, width, height;
    bool operator==(const Place&) const = default;
};

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a live card into the next slot and lists it as the loader does
    // (sorted place, slot as item data); returns the slot.
    static int loadCard(const TestCard& card);
    // Selects a list entry and notifies the window as a user's click does.
    static void selectEntry(int position);
    // A click of a button, delivered as its notification.
    static void click(HWND button);
    static std::string entryText(int position);
    static int entrySlot(int position);
    static int entryCount();
    static int selectedEntry();
    static Place placeOf(HWND control);
    static bool colourSelected(int item);

    HINSTANCE instance = nullptr;
};

// Prints a Place in failure messages.
void PrintTo(const Place& place, std::ostream* out);
