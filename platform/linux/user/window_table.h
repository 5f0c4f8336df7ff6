// The table behind every HWND of the layer. A handle is an opaque number that
// is never reused; each entry holds the Win32 state of one window and the Qt
// widget that shows it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/winapi.h"

namespace winlayer {

struct Window;

// Behaviour of a window whose class the layer implements (EDIT, LISTBOX,
// BUTTON, dialogs and their items).
struct ControlState {
    virtual ~ControlState() = default;
    virtual LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Size state of a top-level window.
enum class Placement { Normal, Maximized, Minimized };

// Model of a top-level window: what Windows keeps for it.
struct TopState {
    RECT normal{};  // restored rectangle, screen coordinates
    Placement placement = Placement::Normal;
    bool restoreToMaximized = false;  // minimised from the maximised state
    int menuHeight = 0;               // height of the menu bar, 0 without a menu
    bool sizeSent = false;            // a WM_SIZE has been sent
    bool shown = false;               // shown at least once
    UINT lastSizeType = 0;            // type of the last WM_SIZE
    int lastWidth = 0;                // client width of the last WM_SIZE
    int lastHeight = 0;               // client height of the last WM_SIZE
    bool applying = false;            // the layer itself is moving the Qt window
};

struct Window {
    HWND handle = nullptr;
    std::string className;                  // class name as given at creation
    WNDPROC proc = nullptr;                 // procedure of a registered class
    std::unique_ptr<ControlState> control;  // behaviour of a predefined class
    HWND parent = nullptr;                  // parent of a child window
    HWND owner = nullptr;                   // owner of a top-level window
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;        // child identifier
    std::string text;  // caption kept by DefWindowProcA
    RECT rect{};       // outer rectangle: screen (top-level) or parent client
    bool enabled = true;
    bool destroyed = false;  // WM_DESTROY has been sent
    HMENU menu = nullptr;
    QPointer<QWidget> widget;       // the widget that shows the window
    QPointer<QWidget> clientArea;   // where children's widgets go
    std::unique_ptr<TopState> top;  // only for top-level windows
};

// Adds a window and returns its new handle.
HWND addWindow(std::unique_ptr<Window> window);
// The window of a handle, or null for a handle that names none.
Window* findWindow(HWND handle);
// Removes a window from the table (its widget is deleted later by Qt).
void removeWindow(HWND handle);
// Child windows of a parent in creation order; top-level windows for null.
std::vector<HWND> childrenOf(HWND parent);

// The thread's top-level window that is active (last shown), or null.
HWND activeWindow();
void setActiveWindow(HWND window);

// Non-client metrics of the layer's top-level windows and controls, pixels.
constexpr int FrameBorder = 4;
constexpr int CaptionHeight = 19;
constexpr int MenuBarHeight = 20;
constexpr int ClientEdge = 2;
constexpr int ScrollBarSize = 17;

// Client rectangle size of a window given its outer size.
void clientSize(const Window& window, int& width, int& height);
// Screen position of a window's client origin.
POINT clientOrigin(const Window& window);

}  // namespace winlayer
