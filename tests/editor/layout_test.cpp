// Placement of the controls for client sizes from wide to minimised, driven
// both by calling the layout directly and by really resizing the window.
// Sizes that come out negative are given to the controls as 0; positions are
// never changed by that.
#include "editor/layout.h"
#include "editor/main_window.h"
#include "tests/editor/editor_fixture.h"

namespace {

// The controls in the order of the placement rows.
HWND* const placedControls[] = {&cardList,     &addButton,   &deleteButton, &nameEdit,  &costEdit,
                                &colourButton, &colourList,  &typeEdit,     &ptEdit,    &editionEdit,
                                &textEdit,     &commentEdit, &updateButton, &saveButton};
const char* const PlacedNames[] = {"cardList",     "addButton",   "deleteButton", "nameEdit",  "costEdit",
                                   "colourButton", "colourList",  "typeEdit",     "ptEdit",    "editionEdit",
                                   "textEdit",     "commentEdit", "updateButton", "saveButton"};
constexpr int PlacedCount = 14;

struct LayoutCase {
    const char* what;
    int width, height;
    Place expected[PlacedCount];
};

const LayoutCase Wide = {"1000 x 700",
                         1000,
                         700,
                         {{10, 10, 200, 660},
                          {10, 670, 90, 20},
                          {100, 670, 90, 20},
                          {220, 10, 525, 20},
                          {755, 10, 112, 20},
                          {877, 10, 112, 20},
                          {877, 30, 112, 140},
                          {220, 40, 337, 20},
                          {567, 40, 75, 20},
                          {652, 40, 337, 20},
                          {220, 70, 770, 360},
                          {220, 434, 770, 236},
                          {220, 675, 380, 20},
                          {610, 675, 380, 20}}};

const LayoutCase Cases[] = {
    Wide,
    // 0.7 * 90 is just under 63 in double precision, 0.7 * 90 + 230 exactly 293.
    {"340 x 700",
     340,
     700,
     {{10, 10, 200, 660},
      {10, 670, 90, 20},
      {100, 670, 90, 20},
      {220, 10, 62, 20},
      {293, 10, 13, 20},
      {316, 10, 13, 20},
      {316, 30, 13, 140},
      {220, 40, 40, 20},
      {270, 40, 9, 20},
      {289, 40, 40, 20},
      {220, 70, 110, 360},
      {220, 434, 110, 236},
      {220, 675, 50, 20},
      {280, 675, 50, 20}}},
    // No room left for the proportional fields.
    {"250 x 700",
     250,
     700,
     {{10, 10, 200, 660},
      {10, 670, 90, 20},
      {100, 670, 90, 20},
      {220, 10, 0, 20},
      {230, 10, 0, 20},
      {240, 10, 0, 20},
      {240, 30, 0, 140},
      {220, 40, 0, 20},
      {230, 40, 0, 20},
      {240, 40, 0, 20},
      {220, 70, 20, 360},
      {220, 434, 20, 236},
      {220, 675, 5, 20},
      {235, 675, 5, 20}}},
    // Negative widths (nameEdit -35, costEdit -7, typeEdit -22, ...) become 0.
    {"200 x 700",
     200,
     700,
     {{10, 10, 200, 660},
      {10, 670, 90, 20},
      {100, 670, 90, 20},
      {220, 10, 0, 20},
      {195, 10, 0, 20},
      {197, 10, 0, 20},
      {197, 30, 0, 140},
      {220, 40, 0, 20},
      {207, 40, 0, 20},
      {212, 40, 0, 20},
      {220, 70, 0, 360},
      {220, 434, 0, 236},
      {220, 675, 0, 20},
      {210, 675, 0, 20}}},
    // Minimised: cardList height -40, nameEdit width -175, commentEdit
    // height -44 all become 0; commentEdit still moves to y = 14.
    {"0 x 0",
     0,
     0,
     {{10, 10, 200, 0},
      {10, -30, 90, 20},
      {100, -30, 90, 20},
      {220, 10, 0, 20},
      {55, 10, 0, 20},
      {27, 10, 0, 20},
      {27, 30, 0, 140},
      {220, 40, 0, 20},
      {117, 40, 0, 20},
      {102, 40, 0, 20},
      {220, 70, 0, 0},
      {220, 14, 0, 0},
      {220, -25, 0, 20},
      {110, -25, 0, 20}}},
    // The top of commentEdit just inside the colour list's area (169 < 170).
    {"1000 x 259",
     1000,
     259,
     {{10, 10, 200, 219},
      {10, 229, 90, 20},
      {100, 229, 90, 20},
      {220, 10, 525, 20},
      {755, 10, 112, 20},
      {877, 10, 112, 20},
      {877, 30, 112, 140},
      {220, 40, 337, 20},
      {567, 40, 75, 20},
      {652, 40, 337, 20},
      {220, 70, 770, 95},
      {220, 169, 770, 59},
      {220, 234, 380, 20},
      {610, 234, 380, 20}}},
    // ... and just below it.
    {"1000 x 260",
     1000,
     260,
     {{10, 10, 200, 220},
      {10, 230, 90, 20},
      {100, 230, 90, 20},
      {220, 10, 525, 20},
      {755, 10, 112, 20},
      {877, 10, 112, 20},
      {877, 30, 112, 140},
      {220, 40, 337, 20},
      {567, 40, 75, 20},
      {652, 40, 337, 20},
      {220, 70, 770, 96},
      {220, 170, 770, 60},
      {220, 235, 380, 20},
      {610, 235, 380, 20}}},
};

}  // namespace

class LayoutTest : public EditorTest {
  protected:
    // Every control where the case puts it. The colour list's height is
    // rounded down by the platform to whole item rows, losing less than one
    // row, so it is checked as a range.
    static void expectPlaced(const LayoutCase& layout) {
        SCOPED_TRACE(layout.what);
        for (int i = 0; i < PlacedCount; ++i) {
            SCOPED_TRACE(PlacedNames[i]);
            Place actual = placeOf(*placedControls[i]);
            Place expected = layout.expected[i];
            if (*placedControls[i] == colourList) {
                const int itemHeight = static_cast<int>(SendMessageA(colourList, LB_GETITEMHEIGHT, 0, 0));
                EXPECT_LE(actual.height, expected.height);
                EXPECT_GE(actual.height, expected.height - (itemHeight > 0 ? itemHeight - 1 : 0));
                actual.height = expected.height;
            }
            EXPECT_EQ(actual, expected);
        }
    }

    // Resizes mainWindow so that its client area is width x height.
    static void resizeClient(int width, int height) {
        RECT outer, client;
        GetWindowRect(mainWindow, &outer);
        GetClientRect(mainWindow, &client);
        const int frameWidth = (outer.right - outer.left) - client.right;
        const int frameHeight = (outer.bottom - outer.top) - client.bottom;
        SetWindowPos(mainWindow, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
};

TEST_F(LayoutTest, DirectCallsPlaceEveryControl) {
    for (const LayoutCase& layout : Cases) {
        layoutControls(layout.width, layout.height);
        expectPlaced(layout);
    }
}

TEST_F(LayoutTest, SizeMessagesPlaceEveryControl) {
    for (const LayoutCase& layout : Cases) {
        SendMessageA(mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(layout.width, layout.height));
        expectPlaced(layout);
    }
}

TEST_F(LayoutTest, HiddenControlsArePlacedToo) {
    SendMessageA(mainWindow, WM_COMMAND, 0, reinterpret_cast<LPARAM>(colourButton));
    ASSERT_FALSE(IsWindowVisible(textEdit));
    ASSERT_FALSE(IsWindowVisible(editionEdit));
    layoutControls(1000, 700);
    expectPlaced(Wide);
    SendMessageA(mainWindow, WM_COMMAND, 0, reinterpret_cast<LPARAM>(colourButton));
    ASSERT_FALSE(IsWindowVisible(colourList));
    layoutControls(340, 700);
    layoutControls(1000, 700);
    expectPlaced(Wide);
}

TEST_F(LayoutTest, RealResizesLayOutAgain) {
    for (const LayoutCase& layout : Cases) {
        if (layout.width == 0) continue;  // a window is only that small when minimised, below
        resizeClient(layout.width, layout.height);
        RECT client;
        GetClientRect(mainWindow, &client);
        ASSERT_EQ(client.right, layout.width) << layout.what;
        ASSERT_EQ(client.bottom, layout.height) << layout.what;
        expectPlaced(layout);
    }
}

TEST_F(LayoutTest, MinimiseAndRestore) {
    resizeClient(1000, 700);
    ShowWindow(mainWindow, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(mainWindow));
    expectPlaced(Cases[4]);
    ShowWindow(mainWindow, SW_RESTORE);
    ASSERT_FALSE(IsIconic(mainWindow));
    expectPlaced(Wide);
}
