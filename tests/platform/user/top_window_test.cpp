// Top-level window sizes: WM_SIZE is sent inside the call that changes the
// size, carries the client size, and agrees with GetClientRect.
#include <vector>

#include "tests/platform/user/window_fixture.h"

namespace {

struct SizeEvent {
    WPARAM type;
    int width;
    int height;
};

std::vector<SizeEvent> sizes() {
    std::vector<SizeEvent> result;
    for (const Received& r : WindowTest::received) {
        if (r.message == WM_SIZE) result.push_back(SizeEvent{r.wParam, LOWORD(r.lParam), HIWORD(r.lParam)});
    }
    return result;
}

}  // namespace

class TopWindowTest : public WindowTest {
  protected:
    void expectClient(const SizeEvent& e) {
        RECT client;
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, e.width);
        EXPECT_EQ(client.bottom, e.height);
    }
};

TEST_F(TopWindowTest, ResizeMaximiseRestoreMinimise) {
    RECT outer;
    RECT client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    EXPECT_EQ(outer.right - outer.left, 400);
    int frameWidth = 400 - client.right;
    int frameHeight = 300 - client.bottom;

    received.clear();
    ShowWindow(window, SW_SHOW);  // the first showing reports the size again
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_RESTORED));
    expectClient(sizes()[0]);
    received.clear();
    ShowWindow(window, SW_SHOW);
    EXPECT_TRUE(sizes().empty());

    received.clear();
    ASSERT_TRUE(SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(sizes()[0].width, 640 - frameWidth);
    EXPECT_EQ(sizes()[0].height, 480 - frameHeight);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 20);
    EXPECT_EQ(outer.right, 660);

    received.clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOWMAXIMIZED));  // it was visible
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_MAXIMIZED));
    EXPECT_GT(sizes()[0].width, 640 - frameWidth);
    expectClient(sizes()[0]);
    EXPECT_TRUE(IsZoomed(window));

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(window, &placement));
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 640);
    EXPECT_EQ(placement.rcNormalPosition.bottom - placement.rcNormalPosition.top, 480);

    received.clear();
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_MINIMIZED));
    EXPECT_EQ(sizes()[0].width, 0);
    EXPECT_EQ(sizes()[0].height, 0);
    EXPECT_TRUE(IsIconic(window));

    received.clear();
    ShowWindow(window, SW_RESTORE);  // back to maximised, where it was minimised from
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_MAXIMIZED));

    received.clear();
    ShowWindow(window, SW_RESTORE);
    ASSERT_EQ(sizes().size(), 1u);
    EXPECT_EQ(sizes()[0].type, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(sizes()[0].width, 640 - frameWidth);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 20);
    EXPECT_EQ(outer.bottom - outer.top, 480);

    received.clear();
    ShowWindow(window, SW_RESTORE);  // nothing changes: no WM_SIZE
    EXPECT_TRUE(sizes().empty());
}

TEST_F(TopWindowTest, ChildrenUseClientCoordinatesAndClampNegativeSizes) {
    HWND child = control("EDIT", ES_AUTOHSCROLL);
    ASSERT_TRUE(MoveWindow(child, 30, 40, -20, 25, TRUE));
    RECT outer;
    GetWindowRect(child, &outer);
    POINT corner{outer.left, outer.top};
    MapWindowPoints(nullptr, window, &corner, 1);
    EXPECT_EQ(corner.x, 30);
    EXPECT_EQ(corner.y, 40);
    EXPECT_EQ(outer.right - outer.left, 0);
    EXPECT_EQ(outer.bottom - outer.top, 25);
    EXPECT_EQ(GetParent(child), window);
    EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
}

TEST_F(TopWindowTest, VisibilityFollowsShowWindowAndParents) {
    HWND child = control("BUTTON", BS_PUSHBUTTON, "x");
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(child));  // its parent is still hidden
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    EXPECT_FALSE(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(ShowWindow(child, SW_HIDE));
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "WindowTest");
}

TEST_F(TopWindowTest, DestroySendsDestroyToWindowThenChildren) {
    HWND child = control("LISTBOX", 0);
    received.clear();
    SendMessageA(window, WM_CLOSE, 0, 0);  // left to DefWindowProcA: destroys
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(child));
    int destroys = 0;
    for (const Received& r : received) destroys += r.message == WM_DESTROY ? 1 : 0;
    EXPECT_EQ(destroys, 1);
}
