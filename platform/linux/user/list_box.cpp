// The LISTBOX class. The entries, their item data, the selection and the caret
// follow the platform's rules (the same as Wine's list box); each entry rides
// in the widget row that shows it, so the rows are the list's one order and an
// insert moves only the widget's row pointers. The QListWidget is never
// allowed to sort, and never changes the selection itself: the control's
// model is the only selection, and the widget shows it. The left mouse button
// and keys reach the control as the platform's messages (WM_LBUTTONDOWN,
// WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_KEYDOWN, WM_CHAR), answered
// by the platform's rules and notified as the platform does; the other
// buttons do nothing, and messages that set entries or the selection never
// notify.
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/linux/user/collation.h"
#include "platform/linux/user/controls.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

// One entry: its bytes as given, its item data and, in a multiple-selection
// list, whether it is selected.
class Entry : public QListWidgetItem {
  public:
    explicit Entry(const std::string& bytes) : QListWidgetItem(toQt(bytes), nullptr, UserType), text(bytes) {}

    std::string text;
    LPARAM data = 0;
    bool selected = false;
};

// A mouse message's key and button state from a Qt mouse event.
WPARAM mouseKeys(const QMouseEvent& event) {
    const Qt::MouseButtons buttons = event.buttons();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return ((buttons & Qt::LeftButton) ? MK_LBUTTON : 0) | ((buttons & Qt::RightButton) ? MK_RBUTTON : 0) |
           ((buttons & Qt::MiddleButton) ? MK_MBUTTON : 0) |
           ((modifiers & Qt::ShiftModifier) ? MK_SHIFT : 0) |
           ((modifiers & Qt::ControlModifier) ? MK_CONTROL : 0);
}

// The widget hands the left button and every key to the control; none of
// the mouse events reaches Qt's item view, which would select by itself.
// Positions are in the client area, the view's viewport.
class ListWidget : public QListWidget {
  public:
    using MouseInput = std::function<void(UINT message, WPARAM keys, QPoint at)>;

    ListWidget(QWidget* parent, MouseInput mouseInput, std::function<void(QKeyEvent*)> keyInput)
        : QListWidget(parent), mouseInput_(mouseInput), keyInput_(keyInput) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONDOWN); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONDBLCLK); }
    void mouseReleaseEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONUP); }
    void mouseMoveEvent(QMouseEvent* event) override {
        event->accept();
        if (event->buttons() & Qt::LeftButton) mouseInput_(WM_MOUSEMOVE, mouseKeys(*event), position(event));
    }

    // Every key is the control's; none reaches Qt's own navigation or search.
    void keyPressEvent(QKeyEvent* event) override { keyInput_(event); }

  private:
    static QPoint position(const QMouseEvent* event) { return event->position().toPoint(); }

    void forward(QMouseEvent* event, UINT message) {
        event->accept();
        if (event->button() == Qt::LeftButton) mouseInput_(message, mouseKeys(*event), position(event));
    }

    MouseInput mouseInput_;
    std::function<void(QKeyEvent*)> keyInput_;
};

constexpr int kDragScrollInterval = 50;  // ms between the steps of a drag beyond the top or bottom edge

// The keys a list box answers in WM_KEYDOWN.
struct ListKey {
    int qtKey;
    UINT virtualKey;
};

const ListKey kListKeys[] = {
    {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP},        {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN}, {Qt::Key_PageUp, VK_PRIOR}, {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Home, VK_HOME}, {Qt::Key_End, VK_END},      {Qt::Key_Space, VK_SPACE},
};

class ListBoxControl : public ControlState {
  public:
    ListBoxControl(Window& window, QWidget* parent) : handle_(window.handle), style_(window.style) {
        const HWND self = handle_;
        list_ = new ListWidget(
            parent,
            [self](UINT message, WPARAM keys, QPoint at) {
                SendMessageA(self, message, keys, MAKELPARAM(at.x(), at.y()));
            },
            [this](QKeyEvent* event) { keyPressed(event); });
        list_->setSortingEnabled(false);
        // The platform's list box takes the focus on a left press only; the
        // control gives it itself (see pressed).
        list_->setFocusPolicy(Qt::TabFocus);
        QObject::connect(&dragTimer_, &QTimer::timeout, list_, [this] {
            if (!dragStep(focus_)) stopDrag();
        });
        // Every row has the font's height, so the view need not measure each
        // name to lay out the rows; names are clipped, not elided, as the
        // platform draws them.
        list_->setUniformItemSizes(true);
        list_->setTextElideMode(Qt::ElideNone);
        list_->setSelectionMode(multi() ? QAbstractItemView::MultiSelection
                                        : QAbstractItemView::SingleSelection);
        list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        bool scroll = (style_ & WS_VSCROLL) != 0;
        bool always = (style_ & LBS_DISABLENOSCROLL) != 0;
        list_->setVerticalScrollBarPolicy(!scroll  ? Qt::ScrollBarAlwaysOff
                                          : always ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAsNeeded);
        if (!(window.exStyle & WS_EX_CLIENTEDGE)) list_->setFrameShape(QFrame::NoFrame);
        window.widget = list_;
    }

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        int index = static_cast<int>(wParam);
        int count = list_->count();
        switch (message) {
            case LB_ADDSTRING:
                return insert(findSortedPosition(textOf(lParam)), textOf(lParam));
            case LB_INSERTSTRING:
                return insert(index, textOf(lParam));
            case LB_DELETESTRING:
                return remove(index);
            case LB_RESETCONTENT:
                reset();
                return 0;
            case LB_GETCOUNT:
                return count;
            case LB_GETTEXT:
                if (!valid(index) || lParam == 0) return LB_ERR;
                return copyText(entry(index).text, entry(index).text.size() + 1, lParam);
            case LB_GETTEXTLEN:
                return valid(index) ? static_cast<LRESULT>(entry(index).text.size()) : LB_ERR;
            case LB_GETITEMDATA:
                return valid(index) ? entry(index).data : LB_ERR;
            case LB_SETITEMDATA:
                if (!valid(index)) return LB_ERR;
                entry(index).data = lParam;
                return TRUE;
            case LB_GETCURSEL:
                if (count == 0) return LB_ERR;
                return multi() ? focus_ : selected_;
            case LB_SETCURSEL:
                if (multi()) return LB_ERR;
                setCaret(index);
                return setSelection(index, true) == LB_ERR ? LB_ERR : selected_;
            case LB_GETCARETINDEX:
                return focus_;
            case LB_GETSEL:
                if (!valid(static_cast<int>(wParam))) return LB_ERR;
                return isSelected(index) ? 1 : 0;
            case LB_SETSEL: {
                LRESULT result = setSelection(static_cast<int>(lParam), wParam != 0);
                if (result != LB_ERR && wParam != 0) anchor_ = static_cast<int>(lParam);
                return result;
            }
            case LB_GETSELCOUNT: {
                if (!multi()) return LB_ERR;
                int selectedCount = 0;
                for (int i = 0; i < count; ++i) selectedCount += entry(i).selected ? 1 : 0;
                return selectedCount;
            }
            case LB_FINDSTRINGEXACT:
                return findExact(index, textOf(lParam));
            case WM_SIZE:
                keepWholeRows(window, HIWORD(lParam));
                return 0;
            case LB_GETITEMHEIGHT:
                return itemHeight();
            case WM_KEYDOWN:
                keyDown(static_cast<UINT>(wParam));
                return 0;
            case WM_CHAR:
                typed(static_cast<char>(wParam));
                return 0;
            case WM_LBUTTONDOWN:
                pressed(wParam, static_cast<short>(HIWORD(lParam)));
                return 0;
            case WM_MOUSEMOVE:
                if (captured_) dragged(static_cast<short>(HIWORD(lParam)));
                return 0;
            case WM_LBUTTONUP:
                released();
                return 0;
            case WM_LBUTTONDBLCLK:
                if (style_ & LBS_NOTIFY) notifyParent(window, LBN_DBLCLK);
                return 0;
            case WM_SETREDRAW:
                list_->setUpdatesEnabled(wParam != 0);
                if (wParam != 0) list_->viewport()->update();
                return 0;
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

  private:
    bool multi() const { return (style_ & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    bool valid(int index) const { return index >= 0 && index < list_->count(); }
    Entry& entry(int index) const { return *static_cast<Entry*>(list_->item(index)); }
    bool isSelected(int index) const { return multi() ? entry(index).selected : index == selected_; }

    static std::string textOf(LPARAM text) { return text != 0 ? reinterpret_cast<const char*>(text) : ""; }

    // Binary search over the current entries: an equal entry gives its own
    // position, otherwise the first position after all smaller entries probed.
    int findSortedPosition(const std::string& text) const {
        if (list_->count() == 0 || !(style_ & LBS_SORT)) return -1;
        int low = 0;
        int high = list_->count() - 1;
        while (low <= high) {
            int middle = (low + high) / 2;
            int order = compareText(entry(middle).text, text);
            if (order == 0) return middle;
            if (order > 0) {
                high = middle - 1;
            } else {
                low = middle + 1;
            }
        }
        return low;
    }

    LRESULT findExact(int start, const std::string& text) const {
        int count = list_->count();
        if (text.empty() || count == 0) return LB_ERR;
        int index = start + 1;
        if (index < 0 || index >= count) index = 0;
        for (int i = 0; i < count; ++i, ++index) {
            if (index == count) index = 0;
            if (compareText(entry(index).text, text) == 0) return index;
        }
        return LB_ERR;
    }

    LRESULT insert(int index, const std::string& text) {
        int count = list_->count();
        if (index == -1) index = count;
        if (index < 0 || index > count) return LB_ERR;
        list_->insertItem(index, new Entry(text));
        if (count == 0) {
            focus_ = 0;
        } else if (index <= selected_) {
            ++selected_;
        }
        showModel();
        return index;
    }

    LRESULT remove(int index) {
        if (!valid(index)) {
            SetLastError(ERROR_INVALID_INDEX);
            return LB_ERR;
        }
        if (list_->count() == 1) {
            reset();
            return 0;
        }
        delete list_->takeItem(index);
        int count = list_->count();
        if (anchor_ == count) --anchor_;
        if (!multi()) {
            if (index == selected_) {
                selected_ = -1;
            } else if (index < selected_) {
                --selected_;
            }
        }
        if (focus_ >= count) focus_ = count - 1 < 0 ? 0 : count - 1;
        showModel();
        return count;
    }

    void reset() {
        list_->clear();
        selected_ = -1;
        focus_ = 0;
        anchor_ = -1;
    }

    LRESULT setCaret(int index) {
        if (!valid(index)) return LB_ERR;
        focus_ = index;
        showModel();
        return LB_OKAY;
    }

    LRESULT setSelection(int index, bool on) {
        int count = list_->count();
        if (index < -1 || index >= count) return LB_ERR;
        if (multi()) {
            int first = index == -1 ? 0 : index;
            int last = index == -1 ? count - 1 : index;
            for (int i = first; i <= last; ++i) entry(i).selected = on;
            if (on && index != -1) focus_ = index;  // the platform moves the caret to a selected item
        } else {
            selected_ = index;
        }
        showModel();
        return LB_OKAY;
    }

    // Makes the widget show the model's selection and caret.
    void showModel() {
        QItemSelectionModel* selection = list_->selectionModel();
        if (valid(focus_)) {
            selection->setCurrentIndex(list_->model()->index(focus_, 0), QItemSelectionModel::NoUpdate);
        }
        if (multi()) {
            for (int i = 0; i < list_->count(); ++i) {
                if (entry(i).isSelected() != entry(i).selected) entry(i).setSelected(entry(i).selected);
            }
        } else if (selected_ == -1) {
            if (selection->hasSelection()) selection->clearSelection();
        } else if (!list_->item(selected_)->isSelected() || list_->selectedItems().size() != 1) {
            selection->select(list_->model()->index(selected_, 0), QItemSelectionModel::ClearAndSelect);
        }
    }

    int topIndex() const {
        const QModelIndex top = list_->indexAt(QPoint(1, 1));
        return top.isValid() ? top.row() : 0;
    }

    // The entry at height y of the client area, counting whole rows from the
    // top one, also beyond the edges; above the first entry the first, below
    // the last one none (-1).
    int itemAt(int y) const {
        const int count = list_->count();
        if (count == 0) return -1;
        const int top = topIndex();
        const int edge = list_->visualItemRect(list_->item(top)).top();
        const int index = std::max(top + (y - edge) / itemHeight(), 0);
        return index < count ? index : -1;
    }

    // A left press takes the focus; on an entry it captures the mouse until
    // the release. A single-selection list selects the entry, whatever the
    // modifiers; a multiple-selection list toggles the entry. A press below
    // the last entry changes nothing.
    void pressed(WPARAM keys, int y) {
        list_->setFocus(Qt::MouseFocusReason);
        const int index = itemAt(y);
        if (index == -1) return;
        captured_ = true;
        if (!multi()) {
            anchor_ = index;
            moveCaret(index);
            return;
        }
        if (!(keys & MK_SHIFT)) anchor_ = index;
        moveCaret(index);
        entry(index).selected = !entry(index).selected;
        showModel();
    }

    // With the button held the caret (and a single list's selection)
    // follows the pointer; beyond the top or bottom edge it keeps moving
    // one entry a step, scrolling, until the pointer comes back or the end
    // is reached.
    void dragged(int y) {
        const int height = list_->viewport()->height();
        drag_ = y < 0 ? -1 : y >= height ? 1 : 0;
        const int index = itemAt(y);
        if (!dragStep(index == -1 ? focus_ : index)) drag_ = 0;
        if (drag_ != 0) {
            dragTimer_.start(kDragScrollInterval);
        } else {
            dragTimer_.stop();
        }
    }

    // Moves the caret to `index`, or beyond an edge to the entry just past
    // the rows in view; false when the caret stays where it is.
    bool dragStep(int index) {
        const int top = topIndex();
        if (drag_ < 0) index = top > 0 ? top - 1 : 0;
        if (drag_ > 0) {
            index = top + pageSize();
            if (index == focus_) ++index;
            index = std::min(index, list_->count() - 1);
        }
        if (!valid(index) || index == focus_) return false;
        moveCaret(index);
        return true;
    }

    void stopDrag() {
        drag_ = 0;
        dragTimer_.stop();
    }

    // The release ends the capture and notifies, whether or not the
    // selection changed, as the platform does.
    void released() {
        stopDrag();
        if (!captured_) return;
        captured_ = false;
        notifySelectionChange();
    }

    // Height of every row: the first entry's, or the font's in an empty list.
    int itemHeight() const {
        const int row = list_->count() > 0 ? list_->sizeHintForRow(0) : 0;
        return row > 0 ? row : list_->fontMetrics().height();
    }

    // Without LBS_NOINTEGRALHEIGHT the platform shortens a list box taller
    // than one row to a whole number of rows, so that no row shows in part.
    void keepWholeRows(Window& window, int clientHeight) {
        if (style_ & LBS_NOINTEGRALHEIGHT) return;
        const int row = itemHeight();
        const int part = clientHeight % row;
        if (clientHeight <= row || part == 0) return;
        const RECT& r = window.rect;
        SetWindowPos(window.handle, nullptr, 0, 0, r.right - r.left, r.bottom - r.top - part,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void notifySelectionChange() {
        Window* window = findWindow(handle_);
        if (window != nullptr && (style_ & LBS_NOTIFY) && list_->count() != 0)
            notifyParent(*window, LBN_SELCHANGE);
    }

    // A key pressed in the widget, as the platform delivers it: WM_KEYDOWN
    // for a key the list answers, then WM_CHAR for the character typed. With
    // Alt held the key belongs to the menu, not to the list.
    void keyPressed(QKeyEvent* event) {
        if (event->modifiers() & Qt::AltModifier) return;
        const HWND self = handle_;
        for (const ListKey& key : kListKeys) {
            if (key.qtKey == event->key()) SendMessageA(self, WM_KEYDOWN, key.virtualKey, 0);
        }
        const QString text = event->text();
        if (findWindow(self) == nullptr || text.size() != 1 || !text.at(0).isPrint()) return;
        const std::string bytes = fromQt(text);
        if (bytes.size() == 1) SendMessageA(self, WM_CHAR, static_cast<unsigned char>(bytes[0]), 0);
    }

    // Moves the caret to `index`, selecting it in a single-selection list,
    // and brings it into view.
    void moveCaret(int index) {
        focus_ = index;
        if (!multi()) selected_ = index;
        showModel();
        list_->scrollToItem(list_->item(index));
    }

    // A caret move by a key also sets the anchor and always notifies.
    void moveCaretByKey(int index) {
        if (!multi()) anchor_ = index;
        moveCaret(index);
        notifySelectionChange();
    }

    // Entries shown whole in the list's height, at least one.
    int pageSize() const {
        const int row = list_->sizeHintForRow(0);
        const int rows = row > 0 ? list_->viewport()->height() / row : 1;
        return rows < 1 ? 1 : rows;
    }

    // The arrows (Left as Up, Right as Down), Page Up, Page Down, Home and
    // End move the caret, stopping at the ends; Space toggles the caret's
    // entry of a multiple-selection list. In a single-selection list whose
    // selected entry is not the caret's, any of these keys first selects the
    // caret's entry instead of moving.
    void keyDown(UINT key) {
        const int count = list_->count();
        if (count == 0) return;
        bool selectCaret = !multi() && selected_ != focus_;
        int caret = -1;
        switch (key) {
            case VK_LEFT:
            case VK_UP:
                caret = std::max(focus_ - 1, 0);
                break;
            case VK_RIGHT:
            case VK_DOWN:
                caret = std::min(focus_ + 1, count - 1);
                break;
            case VK_PRIOR:
                caret = std::max(focus_ - pageSize() + 1, 0);
                break;
            case VK_NEXT:
                caret = std::min(focus_ + pageSize() - 1, count - 1);
                break;
            case VK_HOME:
                caret = 0;
                break;
            case VK_END:
                caret = count - 1;
                break;
            case VK_SPACE:
                if (multi()) setSelection(focus_, !entry(focus_).selected);
                break;
            default:
                selectCaret = false;
        }
        if (selectCaret) caret = focus_;
        if (caret >= 0) moveCaretByKey(caret);
    }

    // A typed character moves the caret to the next entry after it, round
    // to the start, whose text begins with that character (or does so after
    // a leading "[" or "[-"); only the first character counts, so each key
    // press searches anew. Like the platform's, the comparison folds only the
    // letters A to Z: "e" finds "Echo", an e acute does not find E acute.
    // Nothing happens without a match.
    void typed(char character) {
        const int count = list_->count();
        if (character == 0 || count == 0) return;
        int index = valid(focus_ + 1) ? focus_ + 1 : 0;
        for (int i = 0; i < count; ++i, ++index) {
            if (index == count) index = 0;
            const std::string& name = entry(index).text;
            if (beginsWith(name, 0, character) ||
                (name.compare(0, 1, "[") == 0 && beginsWith(name, 1, character)) ||
                (name.compare(0, 2, "[-") == 0 && beginsWith(name, 2, character))) {
                moveCaretByKey(index);
                return;
            }
        }
    }

    static bool beginsWith(const std::string& text, size_t at, char character) {
        auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        return text.size() > at &&
               fold(static_cast<unsigned char>(text[at])) == fold(static_cast<unsigned char>(character));
    }

    HWND handle_;
    DWORD style_;
    ListWidget* list_ = nullptr;
    int selected_ = -1;      // the selected entry of a single-selection list
    int focus_ = 0;          // the caret entry
    int anchor_ = -1;        // the anchor of the last LB_SETSEL, key move or press
    bool captured_ = false;  // a left press on an entry holds the mouse until its release
    int drag_ = 0;           // -1 or 1 while a drag is beyond the top or bottom edge
    QTimer dragTimer_;       // steps such a drag
};

}  // namespace

std::unique_ptr<ControlState> makeListBox(Window& window, QWidget* parent) {
    return std::make_unique<ListBoxControl>(window, parent);
}

}  // namespace winlayer
