// The list box in two rooms: the control (list_box.cpp), which keeps the
// entries, answers the platform's messages and paints the rows, and what
// assistive technology reads of it (list_box_accessible.cpp). This is what
// they share.
#pragma once

#include <QAccessible>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <string>

#include "platform/linux/winapi.h"
#include "platform/sort_key.h"

namespace winlayer {

// One entry: its bytes as given, their sort key, its item data and, in a
// multiple-selection list, whether it is selected.
struct ListEntry {
    explicit ListEntry(const std::string& bytes) : text(bytes), key(sortKey(bytes)) {}

    std::string text;
    std::string key;
    LPARAM data = 0;
    bool selected = false;
    bool toldSelected = false;       // `selected` as assistive technology was last told
    QAccessible::Id accessible = 0;  // its interface for assistive technology, once asked for
};

// What assistive technology reads of a list box control, by entry position.
class AccessibleList {
  public:
    virtual int entryCount() const = 0;
    virtual bool multiple() const = 0;
    virtual bool entrySelected(int index) const = 0;
    virtual bool entryHasFocus(int index) const = 0;
    // Whether any of the entry's row is in the list's client area.
    virtual bool entryInView(int index) const = 0;
    // The entry's row in screen coordinates, also out of view.
    virtual QRect entryRect(int index) const = 0;
    // The entry under a point of the screen; -1 for none.
    virtual int entryAt(QPoint screen) const = 0;
    // The entry's position, looked for from `hint` on; -1 once it is gone.
    virtual int indexOf(const ListEntry* wanted, int hint) const = 0;
    // The entry's interface, made when first asked for and kept with it.
    virtual QAccessibleInterface* accessibleEntry(int index) = 0;

  protected:
    ~AccessibleList() = default;
};

// Whether `object` is a list box's widget.
bool isListBox(const QObject* object);

// The control a list box's widget shows; null for another object and once
// the control is gone.
AccessibleList* listControl(const QObject* list);

// A new interface for `entry`, at `index` of the list box whose widget is
// `list`.
QAccessibleInterface* newEntryAccessible(QWidget* list, const ListEntry* entry, int index);

// Gives every list box's widget its interface for assistive technology; the
// factory is kept once, however often installed.
void installListAccessible();

}  // namespace winlayer
