// What the Linux list box and the annotation service give assistive
// technology, read in-process through Qt's accessibility interfaces (AT-SPI
// reads the same ones): the entries as list items with their text,
// selection and place in view, kept with their entry as entries come and
// go, and the names SetHwndPropStr gives.
#include <QAccessible>
#include <QWidget>
#include <string>

#include "platform/linux/user/window_table.h"
#include "tests/platform/user/window_fixture.h"

namespace {

QAccessibleInterface* accessibleOf(HWND control) {
    return QAccessible::queryAccessibleInterface(winlayer::findWindow(control)->widget);
}

void add(HWND list, const std::string& text) {
    send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

TEST_F(ListBoxAccessible, ListGivesItsEntriesAsItems) {
    HWND list = control("LISTBOX", WS_VSCROLL | LBS_SORT | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT);
    ShowWindow(window, SW_SHOW);
    for (int i = 0; i < 40; ++i) add(list, "Card " + std::to_string(100 + i));
    add(list, "R\xE9verie");  // Windows-1252 e acute
    send(list, LB_SETCURSEL, 3);
    QAccessibleInterface* access = accessibleOf(list);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::List);
    EXPECT_FALSE(access->state().multiSelectable);
    ASSERT_EQ(access->childCount(), 41);
    EXPECT_EQ(access->child(40)->text(QAccessible::Name), QString::fromUtf8("R\xC3\xA9verie"));
    for (int i = 0; i < 41; ++i) {
        QAccessibleInterface* item = access->child(i);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->parent(), access);
        EXPECT_EQ(access->indexOfChild(item), i);
        EXPECT_TRUE(item->state().selectable);
        EXPECT_EQ(item->state().selected, i == 3) << i;
    }
    // 150 pixels show the first rows; the last ones are out of view until
    // the selection brings them in.
    EXPECT_FALSE(access->child(0)->state().offscreen);
    EXPECT_TRUE(access->child(40)->state().offscreen);
    send(list, LB_SETCURSEL, 40);
    EXPECT_FALSE(access->child(40)->state().offscreen);
    EXPECT_TRUE(access->child(0)->state().offscreen);
    EXPECT_TRUE(access->child(40)->state().selected);
    EXPECT_FALSE(access->child(3)->state().selected);

    // An item stays with its entry as entries come and go, and goes with it.
    QAccessibleInterface* fourth = access->child(3);
    const QAccessible::Id id = QAccessible::uniqueId(fourth);
    send(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Zz first"));
    EXPECT_EQ(access->child(4), fourth);
    EXPECT_EQ(access->indexOfChild(fourth), 4);
    EXPECT_EQ(access->child(0)->text(QAccessible::Name), "Zz first");
    send(list, LB_DELETESTRING, 4);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(access->childCount(), 41);
}

TEST_F(ListBoxAccessible, MultipleSelectionListGivesEachItemsSelection) {
    HWND shown = control("LISTBOX", LBS_MULTIPLESEL);
    HWND hidden = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_MULTIPLESEL, 0, 0, 100, 100, window,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    for (HWND list : {shown, hidden}) {
        for (const char* colour : {"White", "Blue", "Black"}) add(list, colour);
        send(list, LB_SETSEL, TRUE, 0);
        send(list, LB_SETSEL, TRUE, 2);
        QAccessibleInterface* access = accessibleOf(list);
        EXPECT_TRUE(access->state().multiSelectable);
        ASSERT_EQ(access->childCount(), 3);
        EXPECT_EQ(access->child(1)->text(QAccessible::Name), "Blue");
        for (int i = 0; i < 3; ++i) EXPECT_EQ(access->child(i)->state().selected, i != 1) << i;
        const bool isHidden = list == hidden;
        EXPECT_EQ(access->state().invisible, isHidden);
        EXPECT_EQ(access->child(0)->state().offscreen, isHidden);
    }
}

TEST_F(AccessibleName, AnnotationServiceNamesTheControl) {
    HWND field = control("EDIT", ES_AUTOHSCROLL);
    void* made = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    EXPECT_EQ(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, PROPID_ACC_NAME, &made),
              E_NOINTERFACE);
    ASSERT_EQ(
        CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices, &made),
        S_OK);
    auto* services = static_cast<IAccPropServices*>(made);
    EXPECT_EQ(services->SetHwndPropStr(field, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, L"P/T"), S_OK);
    EXPECT_EQ(accessibleOf(field)->text(QAccessible::Name), "P/T");
    EXPECT_EQ(services->SetHwndPropStr(field, OBJID_CLIENT, 1, PROPID_ACC_NAME, L"Other"), E_INVALIDARG);
    EXPECT_EQ(services->SetHwndPropStr(nullptr, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, L"x"),
              E_INVALIDARG);
    EXPECT_EQ(accessibleOf(field)->text(QAccessible::Name), "P/T");
}
