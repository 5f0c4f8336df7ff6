// What assistive technology (a screen reader, over AT-SPI) reads of a list
// box, as the platform's list box gives it: a list whose children are the
// entries, named by their text, with their selection, the caret and whether
// they are in view. The events when the selection or the caret moves come
// from the control (list_box.cpp).
#include <QAccessibleWidget>
#include <QPointer>

#include "platform/linux/user/list_box.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

// One entry for assistive technology: a list item named by its text, found
// by its entry (its position changes as entries come and go).
class EntryAccessible : public QAccessibleInterface {
  public:
    EntryAccessible(QWidget* list, const ListEntry* entry, int index)
        : list_(list), entry_(entry), hint_(index) {}

    bool isValid() const override { return index() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name && isValid() ? toQt(entry_->text) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return isValid() ? listControl(list_)->entryRect(index()) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        const int at = index();
        if (at < 0) return state;
        const AccessibleList& control = *listControl(list_);
        state.selectable = true;
        state.focusable = true;
        state.selected = control.entrySelected(at);
        state.focused = control.entryHasFocus(at);
        state.multiSelectable = control.multiple();
        state.invisible = !list_->isVisible();
        state.offscreen = state.invisible || !control.entryInView(at);
        return state;
    }

    // The entry's position now; -1 once it or its list is gone.
    int index() const {
        const AccessibleList* control = list_ ? listControl(list_) : nullptr;
        if (control == nullptr) return -1;
        hint_ = control->indexOf(entry_, hint_);
        return hint_;
    }

  private:
    QPointer<QWidget> list_;
    const ListEntry* entry_;
    mutable int hint_;  // where the entry was last found
};

// The list for assistive technology: a list (multi-selectable when the
// control is) whose children are the entries, not the scroll bars.
class ListAccessible : public QAccessibleWidget {
  public:
    explicit ListAccessible(QWidget* list) : QAccessibleWidget(list, QAccessible::List) {}

    int childCount() const override { return control() ? control()->entryCount() : 0; }
    QAccessibleInterface* child(int index) const override {
        return control() ? control()->accessibleEntry(index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!control() || child == nullptr || child->role() != QAccessible::ListItem ||
            child->parent() != this)
            return -1;
        return static_cast<const EntryAccessible*>(child)->index();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return control() ? control()->accessibleEntry(control()->entryAt(QPoint(x, y))) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        for (int i = 0; control() && i < control()->entryCount(); ++i)
            if (control()->entryHasFocus(i)) return control()->accessibleEntry(i);
        return nullptr;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiSelectable = control() && control()->multiple();
        return state;
    }

  private:
    AccessibleList* control() const { return listControl(widget()); }
};

QAccessibleInterface* listAccessibleFactory(const QString&, QObject* object) {
    return isListBox(object) ? new ListAccessible(static_cast<QWidget*>(object)) : nullptr;
}

}  // namespace

QAccessibleInterface* newEntryAccessible(QWidget* list, const ListEntry* entry, int index) {
    return new EntryAccessible(list, entry, index);
}

void installListAccessible() {
    QAccessible::installFactory(listAccessibleFactory);
}

}  // namespace winlayer
