// The main window: its class, the start-up window with the wait text, the
// thirteen working controls, and the window procedure.
#include "editor/main_window.h"

#include "card/card_table.h"
#include "cardloom_version.h"
#include "editor/card_io.h"
#include "editor/commands.h"
#include "editor/layout.h"
#include "res/resource.h"
#include "settings/data_file.h"

HWND mainWindow;
HWND nameEdit;
HWND cardList;
HWND textEdit;
HWND typeEdit;
HWND editionEdit;
HWND costEdit;
HWND ptEdit;
HWND commentEdit;
HWND updateButton;
HWND saveButton;
HWND colourList;
HWND colourButton;
HWND addButton;
HWND deleteButton;
int layoutEnabled;

namespace {

const char* const ClassName = "Cardloom";
const char* const WindowTitle = CARDLOOM_WINDOW_TITLE;
const char* const WaitText = "Please wait while loading Cardloom";
const char* const AboutText = "Cardloom v" CARDLOOM_VERSION
                              "\n"
                              "Made by Kesp (kesp@example.org)\n"
                              "\n"
                              "https://cardloom.example.org";

// The styles of the inventory, named by what they make.
constexpr DWORD NameEditStyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
constexpr DWORD FieldStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD MultiLineStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_AUTOHSCROLL | ES_MULTILINE;
constexpr DWORD CardListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_DISABLENOSCROLL |
                                LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_SORT | LBS_NOTIFY;
constexpr DWORD ColourListStyle = WS_CHILD | LBS_MULTIPLESEL;
constexpr DWORD ButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// One child control. `limit` is the most characters an edit field accepts:
// its card field's width less the terminator (0: not an edit field).
// `spokenName` is what a screen reader says for a field or list, which has
// no caption of its own (none for a button: its caption names it).
struct ControlRow {
    HWND* handle;
    const char* windowClass;
    DWORD exStyle;
    DWORD style;
    const char* text;
    int limit;
    const wchar_t* spokenName;
};

// The fourteen controls in creation order. Row 0 is made by initMainWindow,
// the rest by createControls.
const ControlRow ControlRows[] = {
    {&nameEdit, "EDIT", WS_EX_CLIENTEDGE, NameEditStyle, nullptr, NameWidth - 1, L"Name"},
    {&cardList, "LISTBOX", WS_EX_CLIENTEDGE, CardListStyle, nullptr, 0, L"Cards"},
    {&textEdit, "EDIT", WS_EX_CLIENTEDGE, MultiLineStyle, nullptr, TextWidth - 1, L"Text"},
    {&typeEdit, "EDIT", WS_EX_CLIENTEDGE, FieldStyle, nullptr, TypeWidth - 1, L"Type"},
    {&editionEdit, "EDIT", WS_EX_CLIENTEDGE, FieldStyle, nullptr, EditionWidth - 1, L"Edition"},
    {&costEdit, "EDIT", WS_EX_CLIENTEDGE, FieldStyle, nullptr, CostWidth - 1, L"Cost"},
    {&ptEdit, "EDIT", WS_EX_CLIENTEDGE, FieldStyle, nullptr, PtWidth - 1, L"P/T"},
    {&commentEdit, "EDIT", WS_EX_CLIENTEDGE, MultiLineStyle, nullptr, CommentWidth - 1, L"Comment"},
    {&updateButton, "BUTTON", 0, ButtonStyle, "&Update", 0, nullptr},
    {&saveButton, "BUTTON", 0, ButtonStyle, "&Save", 0, nullptr},
    {&colourList, "LISTBOX", WS_EX_CLIENTEDGE, ColourListStyle, nullptr, 0, L"Colours"},
    {&colourButton, "BUTTON", 0, ButtonStyle, "", 0, nullptr},
    {&addButton, "BUTTON", 0, ButtonStyle, "&Add", 0, nullptr},
    {&deleteButton, "BUTTON", 0, ButtonStyle, "&Delete", 0, nullptr},
};
constexpr int ControlCount = sizeof ControlRows / sizeof ControlRows[0];

// The row of the control with that handle.
constexpr int rowOf(const HWND* handle) {
    int row = 0;
    while (row < ControlCount && ControlRows[row].handle != handle) ++row;
    return row;
}

// Gives `control` the name a screen reader says, through the platform's
// dynamic annotation service, made once. Where the platform has no such
// service, or it refuses (Wine's answers E_NOTIMPL), the control keeps the
// name the platform gives it: nothing else depends on it.
void nameForScreenReaders(HWND control, const wchar_t* name) {
    static IAccPropServices* const services = [] {
        void* made = nullptr;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, &made)))
            return static_cast<IAccPropServices*>(nullptr);
        return static_cast<IAccPropServices*>(made);
    }();
    if (services) services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, name);
}

// Creates one control: nameEdit at its start-up place, the others out of
// sight right of the start-up window until the first layout.
HWND createControl(const ControlRow& row, HINSTANCE instance) {
    const bool startUp = row.handle == &nameEdit;
    HWND control =
        CreateWindowExA(row.exStyle, row.windowClass, row.text, row.style, startUp ? 5 : 300, 0,
                        startUp ? 240 : 10, startUp ? 20 : 10, mainWindow, nullptr, instance, nullptr);
    *row.handle = control;
    if (control && row.limit > 0) SendMessageA(control, EM_LIMITTEXT, row.limit, 0);
    if (control && row.spokenName) nameForScreenReaders(control, row.spokenName);
    return control;
}

// Creates rows first .. end-1; returns 0 when any of them failed.
int createRows(int first, int end, HINSTANCE instance) {
    int allCreated = 1;
    for (int i = first; i < end; ++i) {
        if (!createControl(ControlRows[i], instance)) allCreated = 0;
    }
    return allCreated;
}

LRESULT onDestroy(HWND, UINT, WPARAM, LPARAM) {
    PostQuitMessage(0);
    return 0;
}

LRESULT onSize(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (layoutEnabled) layoutControls(LOWORD(lParam), HIWORD(lParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

// A control notification that runs a command; notification -1 matches any.
struct ControlCommand {
    HWND* control;
    int notification;
    void (*command)();
};

const ControlCommand ControlCommands[] = {
    {&updateButton, -1, commitCard},
    {&cardList, LBN_SELCHANGE, showCard},
    {&colourButton, -1, toggleColourPicker},
    {&saveButton, -1, saveCards},
    {&addButton, -1, addCard},
    {&deleteButton, -1, deleteCard},
};

LRESULT onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Menu commands carry no handle; a control that does not exist yet must
    // not match them.
    HWND sender = reinterpret_cast<HWND>(lParam);
    if (sender) {
        for (const ControlCommand& entry : ControlCommands) {
            if (sender == *entry.control && (entry.notification < 0 || HIWORD(wParam) == entry.notification))
                entry.command();
        }
    }
    switch (LOWORD(wParam)) {
        case IDM_EXIT:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case IDM_CHOOSEFILE:
            locateDataFile(1);
            return 0;
        case IDM_ABOUT:
            MessageBoxA(mainWindow, AboutText, "About", MB_OK);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

struct MessageHandler {
    UINT message;
    LRESULT (*handle)(HWND, UINT, WPARAM, LPARAM);
};

const MessageHandler MessageHandlers[] = {
    {WM_DESTROY, onDestroy},
    {WM_SIZE, onSize},
    {WM_COMMAND, onCommand},
};

}  // namespace

int initMainWindow(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "Cardloom");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszMenuName = "CARDLOOM";
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassA(&windowClass)) return 0;

    mainWindow = CreateWindowExA(0, ClassName, WindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 260, 65,
                                 nullptr, nullptr, instance, nullptr);
    if (!mainWindow) return 0;

    // Without the name field the editor could neither show nor rename a
    // card, so its failure is a failure to start.
    if (!createControl(ControlRows[0], instance)) return 0;
    SendMessageA(nameEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WaitText));
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    layoutEnabled = 1;
    return 1;
}

int createControls(HINSTANCE instance) {
    // The colour items go in before addButton is made.
    const int colourItemsRow = rowOf(&addButton);
    int allCreated = createRows(1, colourItemsRow, instance);
    for (const char* colour : ColourNames)
        SendMessageA(colourList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour));
    if (!createRows(colourItemsRow, ControlCount, instance)) allCreated = 0;
    return allCreated;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageHandler& handler : MessageHandlers) {
        if (handler.message == message) return handler.handle(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
