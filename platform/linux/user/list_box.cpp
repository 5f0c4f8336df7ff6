// The LISTBOX class. The entries, their item data, the selection and the caret
// follow the platform's rules (the same as Wine's list box). The control keeps
// its entries itself, each with its sort key, and draws the rows in view, as
// the platform's list box does: adding thousands of names costs a search and
// a move of pointers each, and nothing is laid out for rows out of view. The
// left mouse button and keys reach the control as the platform's messages
// (WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_KEYDOWN,
// WM_CHAR), answered by the platform's rules and notified as the platform
// does; the other buttons do nothing, and messages that set entries or the
// selection never notify. The control tells assistive technology when the
// selection or the caret moves; what it reads of the list is in
// list_box_accessible.cpp.
#include "platform/linux/user/list_box.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/text_codec.h"
#include "platform/sort_key.h"

namespace winlayer {
namespace {

class ListBoxControl;

// A mouse message's key and button state from a Qt mouse event.
WPARAM mouseKeys(const QMouseEvent& event) {
    const Qt::MouseButtons buttons = event.buttons();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return ((buttons & Qt::LeftButton) ? MK_LBUTTON : 0) | ((buttons & Qt::RightButton) ? MK_RBUTTON : 0) |
           ((buttons & Qt::MiddleButton) ? MK_MBUTTON : 0) |
           ((modifiers & Qt::ShiftModifier) ? MK_SHIFT : 0) |
           ((modifiers & Qt::ControlModifier) ? MK_CONTROL : 0);
}

// The control's widget: a scroll area whose viewport the control paints, one
// row per entry from the top index, scrolled a whole row at a time. It hands
// the left button and every key to the control; positions are in the client
// area, the viewport.
class ListWidget : public QAbstractScrollArea {
  public:
    using MouseInput = std::function<void(UINT message, WPARAM keys, QPoint at)>;
    using Painter = std::function<void(QPainter& painter, const QRect& area)>;

    ListWidget(QWidget* parent, MouseInput mouseInput, std::function<void(QKeyEvent*)> keyInput)
        : QAbstractScrollArea(parent), mouseInput_(mouseInput), keyInput_(keyInput) {
        viewport()->setBackgroundRole(QPalette::Base);
        viewport()->setAutoFillBackground(true);
    }

    void setPainter(Painter painter) { painter_ = painter; }
    void setResized(std::function<void()> resized) { resized_ = resized; }
    void setFocusGained(std::function<void()> focusGained) { focusGained_ = focusGained; }

    ListBoxControl* control = nullptr;  // the control shown; null once it is gone

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        if (painter_) painter_(painter, event->rect());
    }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        if (resized_) resized_();
    }
    void scrollContentsBy(int, int) override { viewport()->update(); }

    void mousePressEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONDOWN); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONDBLCLK); }
    void mouseReleaseEvent(QMouseEvent* event) override { forward(event, WM_LBUTTONUP); }
    void mouseMoveEvent(QMouseEvent* event) override {
        event->accept();
        if (event->buttons() & Qt::LeftButton) mouseInput_(WM_MOUSEMOVE, mouseKeys(*event), position(event));
    }

    // Every key is the control's; none reaches the scroll bars.
    void keyPressEvent(QKeyEvent* event) override { keyInput_(event); }

    // The caret's dotted frame comes and goes with the focus.
    void focusInEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusInEvent(event);
        viewport()->update();
        if (focusGained_) focusGained_();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusOutEvent(event);
        viewport()->update();
    }

  private:
    static QPoint position(const QMouseEvent* event) { return event->position().toPoint(); }

    void forward(QMouseEvent* event, UINT message) {
        event->accept();
        if (event->button() == Qt::LeftButton) mouseInput_(message, mouseKeys(*event), position(event));
    }

    MouseInput mouseInput_;
    std::function<void(QKeyEvent*)> keyInput_;
    Painter painter_;
    std::function<void()> resized_;
    std::function<void()> focusGained_;
};

constexpr int DragScrollInterval = 50;  // ms between the steps of a drag beyond the top or bottom edge
constexpr int TextMargin = 2;           // pixels left of each name, as the platform draws it

// The keys a list box answers in WM_KEYDOWN.
struct ListKey {
    int qtKey;
    UINT virtualKey;
};

const ListKey ListKeys[] = {
    {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP},        {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN}, {Qt::Key_PageUp, VK_PRIOR}, {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Home, VK_HOME}, {Qt::Key_End, VK_END},      {Qt::Key_Space, VK_SPACE},
};

class ListBoxControl : public ControlState, public AccessibleList {
  public:
    ListBoxControl(Window& window, QWidget* parent) : handle_(window.handle), style_(window.style) {
        const HWND self = handle_;
        list_ = new ListWidget(
            parent,
            [self](UINT message, WPARAM keys, QPoint at) {
                SendMessageA(self, message, keys, MAKELPARAM(at.x(), at.y()));
            },
            [this](QKeyEvent* event) { keyPressed(event); });
        list_->control = this;
        list_->setPainter([this](QPainter& painter, const QRect& area) { paintRows(painter, area); });
        list_->setResized([this] { updateScroll(); });
        // The widget's own focus event reaches assistive technology after
        // this one; the caret's entry is told once that is done.
        list_->setFocusGained([list = list_.data()] {
            QTimer::singleShot(0, list, [list] {
                if (list->control) list->control->tellFocus();
            });
        });
        // The platform's list box takes the focus on a left press only; the
        // control gives it itself (see pressed).
        list_->setFocusPolicy(Qt::TabFocus);
        QObject::connect(&dragTimer_, &QTimer::timeout, list_, [this] {
            if (!dragStep(focus_)) stopDrag();
        });
        list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        bool scroll = (style_ & WS_VSCROLL) != 0;
        bool always = (style_ & LBS_DISABLENOSCROLL) != 0;
        list_->setVerticalScrollBarPolicy(!scroll  ? Qt::ScrollBarAlwaysOff
                                          : always ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAsNeeded);
        list_->verticalScrollBar()->setSingleStep(1);
        if (!(window.exStyle & WS_EX_CLIENTEDGE)) list_->setFrameShape(QFrame::NoFrame);
        window.widget = list_;
    }

    ~ListBoxControl() override {
        if (list_) list_->control = nullptr;
        for (ListEntry* entry : entries_) forget(entry);
    }
    ListBoxControl(const ListBoxControl&) = delete;
    ListBoxControl& operator=(const ListBoxControl&) = delete;

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        int index = static_cast<int>(wParam);
        int count = this->count();
        switch (message) {
            case LB_ADDSTRING:
                return add(textOf(lParam));
            case LB_INSERTSTRING:
                return insert(index, std::make_unique<ListEntry>(textOf(lParam)));
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
            case LB_FINDSTRINGEXACT: {
                const std::string text = textOf(lParam);
                return text.empty() ? LB_ERR : findExact(index, sortKey(text));
            }
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
                // While redrawing is off the scroll bar waits too, as the
                // platform's does; turning it on brings both up to date.
                redraw_ = wParam != 0;
                list_->setUpdatesEnabled(redraw_);
                if (redraw_) changed();
                return 0;
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

    int entryCount() const override { return count(); }
    bool multiple() const override { return multi(); }
    bool entrySelected(int index) const override { return valid(index) && isSelected(index); }
    bool entryHasFocus(int index) const override {
        return valid(index) && index == focus_ && list_->hasFocus();
    }
    bool entryInView(int index) const override {
        const int rows = (list_->viewport()->height() + itemHeight() - 1) / itemHeight();
        return index >= topIndex() && index < topIndex() + rows;
    }
    QRect entryRect(int index) const override {
        const QPoint origin = list_->viewport()->mapToGlobal(QPoint(0, (index - topIndex()) * itemHeight()));
        return QRect(origin, QSize(list_->viewport()->width(), itemHeight()));
    }
    int entryAt(QPoint screen) const override {
        const QPoint at = list_->viewport()->mapFromGlobal(screen);
        return list_->viewport()->rect().contains(at) ? itemAt(at.y()) : -1;
    }
    int indexOf(const ListEntry* wanted, int hint) const override {
        if (valid(hint) && entries_[static_cast<size_t>(hint)] == wanted) return hint;
        const auto found = std::find(entries_.begin(), entries_.end(), wanted);
        return found == entries_.end() ? -1 : static_cast<int>(found - entries_.begin());
    }
    // The entry's interface, made when first asked for and kept with it.
    QAccessibleInterface* accessibleEntry(int index) override {
        if (!valid(index) || !list_) return nullptr;
        ListEntry& wanted = entry(index);
        if (wanted.accessible == 0)
            wanted.accessible =
                QAccessible::registerAccessibleInterface(newEntryAccessible(list_, &wanted, index));
        return QAccessible::accessibleInterface(wanted.accessible);
    }
    // Tells assistive technology that the caret's entry has the focus.
    void tellFocus() {
        if (!QAccessible::isActive() || !list_ || !list_->hasFocus() || !valid(focus_)) return;
        toldCaret_ = &entry(focus_);
        tell(QAccessible::Focus, focus_);
    }

  private:
    bool multi() const { return (style_ & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    int count() const { return static_cast<int>(entries_.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    ListEntry& entry(int index) const { return *entries_[static_cast<size_t>(index)]; }
    bool isSelected(int index) const { return multi() ? entry(index).selected : index == selected_; }

    static std::string textOf(LPARAM text) { return text != 0 ? reinterpret_cast<const char*>(text) : ""; }

    // Binary search over the current entries: an equal entry gives its own
    // position, otherwise the first position after all smaller entries probed.
    int findSortedPosition(const std::string& key) const {
        if (count() == 0 || !(style_ & LBS_SORT)) return -1;
        int low = 0;
        int high = count() - 1;
        while (low <= high) {
            int middle = (low + high) / 2;
            int order = entry(middle).key.compare(key);
            if (order == 0) return middle;
            if (order > 0) {
                high = middle - 1;
            } else {
                low = middle + 1;
            }
        }
        return low;
    }

    // The first entry after `start`, round to the top, that compares equal
    // to the text whose key is `key`.
    LRESULT findExact(int start, const std::string& key) const {
        int count = this->count();
        if (count == 0) return LB_ERR;
        int index = start + 1;
        if (index < 0 || index >= count) index = 0;
        for (int i = 0; i < count; ++i, ++index) {
            if (index == count) index = 0;
            if (entry(index).key == key) return index;
        }
        return LB_ERR;
    }

    // A sorted list places the entry by its key; any other appends it.
    LRESULT add(const std::string& text) {
        auto added = std::make_unique<ListEntry>(text);
        const int index = findSortedPosition(added->key);
        return insert(index, std::move(added));
    }

    LRESULT insert(int index, std::unique_ptr<ListEntry> added) {
        int count = this->count();
        if (index == -1) index = count;
        if (index < 0 || index > count) return LB_ERR;
        entries_.insert(entries_.begin() + index, added.get());
        added.release();  // owned by entries_ now
        if (count == 0) {
            focus_ = 0;
        } else if (index <= selected_) {
            ++selected_;
        }
        changed();
        if (redraw_ && QAccessible::isActive()) tell(QAccessible::ObjectCreated, index);
        return index;
    }

    LRESULT remove(int index) {
        if (!valid(index)) {
            SetLastError(ERROR_INVALID_INDEX);
            return LB_ERR;
        }
        if (count() == 1) {
            reset();
            return 0;
        }
        forget(entries_[static_cast<size_t>(index)], true);
        entries_.erase(entries_.begin() + index);
        int count = this->count();
        if (anchor_ == count) --anchor_;
        if (!multi()) {
            if (index == selected_) {
                selected_ = -1;
            } else if (index < selected_) {
                --selected_;
            }
        }
        if (focus_ >= count) focus_ = count - 1 < 0 ? 0 : count - 1;
        changed();
        return count;
    }

    void reset() {
        for (ListEntry* entry : entries_) forget(entry, true);
        entries_.clear();
        selected_ = -1;
        focus_ = 0;
        anchor_ = -1;
        changed();
    }

    // Moves the caret and scrolls it into view, as LB_SETCURSEL does.
    LRESULT setCaret(int index) {
        if (!valid(index)) return LB_ERR;
        focus_ = index;
        showEntry(index);
        showModel();
        return LB_OKAY;
    }

    LRESULT setSelection(int index, bool on) {
        int count = this->count();
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

    // The rows show the entries, the selection and the caret as they are
    // now, and assistive technology is told what changed.
    void showModel() {
        if (redraw_) list_->viewport()->update();
        tellChanges();
    }

    // After entries came or went: the scroll bar's range, the top index kept
    // within it, and the rows.
    void changed() {
        updateScroll();
        showModel();
    }

    // The scroll bar counts rows: it ends where the last entry is the last
    // whole row in view, and a page is the whole rows that fit.
    void updateScroll(bool evenWithoutRedraw = false) {
        if (!redraw_ && !evenWithoutRedraw) return;
        QScrollBar* bar = list_->verticalScrollBar();
        bar->setPageStep(pageSize());
        bar->setRange(0, std::max(count() - pageSize(), 0));
    }

    int topIndex() const { return list_->verticalScrollBar()->value(); }

    // Scrolls the fewest rows that bring `index` into view whole (within the
    // entries there are now, also while redrawing is off).
    void showEntry(int index) {
        if (!redraw_) updateScroll(true);
        const int top = topIndex();
        if (index < top) {
            list_->verticalScrollBar()->setValue(index);
        } else if (index >= top + pageSize()) {
            list_->verticalScrollBar()->setValue(index - pageSize() + 1);
        }
    }

    // The rows in `area` of the viewport: a selected entry on the highlight
    // across the whole row, its name clipped at the right edge; the caret's
    // entry framed with dots while the list has the focus.
    void paintRows(QPainter& painter, const QRect& area) const {
        const int height = itemHeight();
        const int width = list_->viewport()->width();
        const QPalette& palette = list_->palette();
        const int top = topIndex();
        const int last = std::min(top + area.bottom() / height, count() - 1);
        for (int index = top + std::max(area.top(), 0) / height; index <= last; ++index) {
            const QRect row(0, (index - top) * height, width, height);
            const bool selected = isSelected(index);
            if (selected) painter.fillRect(row, palette.brush(QPalette::Highlight));
            painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            painter.drawText(row.adjusted(TextMargin, 0, 0, 0),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, toQt(entry(index).text));
            if (index == focus_ && list_->hasFocus()) drawFocusFrame(painter, row);
        }
    }

    // The platform's focus frame: every other pixel of the row's edge
    // inverted, so that it shows on the highlight as on the background.
    static void drawFocusFrame(QPainter& painter, const QRect& row) {
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter.drawRect(row.adjusted(0, 0, -1, -1));
        painter.restore();
    }

    // The entry at height y of the client area, counting whole rows from the
    // top one, also beyond the edges; above the first entry the first, below
    // the last one none (-1).
    int itemAt(int y) const {
        const int count = this->count();
        if (count == 0) return -1;
        const int index = std::max(topIndex() + y / itemHeight(), 0);
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
            dragTimer_.start(DragScrollInterval);
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
            index = std::min(index, count() - 1);
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

    // Height of every row: the font's.
    int itemHeight() const { return std::max(list_->fontMetrics().height(), 1); }

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
        if (window != nullptr && (style_ & LBS_NOTIFY) && count() != 0) notifyParent(*window, LBN_SELCHANGE);
    }

    // A key pressed in the widget, as the platform delivers it: WM_KEYDOWN
    // for a key the list answers, then WM_CHAR for the character typed. With
    // Alt held the key belongs to the menu, not to the list.
    void keyPressed(QKeyEvent* event) {
        if (event->modifiers() & Qt::AltModifier) return;
        const HWND self = handle_;
        for (const ListKey& key : ListKeys) {
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
        showEntry(index);
    }

    // A caret move by a key also sets the anchor and always notifies.
    void moveCaretByKey(int index) {
        if (!multi()) anchor_ = index;
        moveCaret(index);
        notifySelectionChange();
    }

    // Entries shown whole in the list's height, at least one.
    int pageSize() const { return std::max(list_->viewport()->height() / itemHeight(), 1); }

    // The arrows (Left as Up, Right as Down), Page Up, Page Down, Home and
    // End move the caret, stopping at the ends; Space toggles the caret's
    // entry of a multiple-selection list. In a single-selection list whose
    // selected entry is not the caret's, any of these keys first selects the
    // caret's entry instead of moving.
    void keyDown(UINT key) {
        const int count = this->count();
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
        const int count = this->count();
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

    // Sends assistive technology an event about the entry at `index`.
    void tell(QAccessible::Event type, int index) {
        if (!valid(index) || !list_) return;
        QAccessibleEvent event(accessibleEntry(index), type);
        QAccessible::updateAccessibility(&event);
    }

    // Tells assistive technology of each entry whose selection changed since
    // it was last told, and of a caret that moved while the list has the
    // focus: mouse, keys and messages all end here.
    void tellChanges() {
        if (!QAccessible::isActive()) return;
        if (multi()) {
            for (int i = 0; i < count(); ++i) {
                ListEntry& e = entry(i);
                if (e.selected == e.toldSelected) continue;
                e.toldSelected = e.selected;
                tell(e.selected ? QAccessible::SelectionAdd : QAccessible::SelectionRemove, i);
            }
        } else {
            const ListEntry* now = valid(selected_) ? &entry(selected_) : nullptr;
            if (now != toldSelection_) {
                const int before = indexOf(toldSelection_, -1);
                toldSelection_ = now;
                if (before >= 0) tell(QAccessible::SelectionRemove, before);
                if (now) tell(QAccessible::SelectionAdd, selected_);
            }
        }
        const ListEntry* caret = valid(focus_) ? &entry(focus_) : nullptr;
        if (caret != toldCaret_ && list_->hasFocus()) tellFocus();
    }

    // Deletes an entry leaving the list, and its interface; with `tellGone`
    // assistive technology hears that it is gone.
    void forget(ListEntry* gone, bool tellGone = false) {
        if (gone == toldSelection_) toldSelection_ = nullptr;
        if (gone == toldCaret_) toldCaret_ = nullptr;
        if (gone->accessible != 0) {
            if (tellGone && QAccessible::isActive()) {
                QAccessibleEvent event(QAccessible::accessibleInterface(gone->accessible),
                                       QAccessible::ObjectDestroyed);
                QAccessible::updateAccessibility(&event);
            }
            QAccessible::deleteAccessibleInterface(gone->accessible);
        }
        delete gone;
    }

    HWND handle_;
    DWORD style_;
    QPointer<ListWidget> list_;
    // In the list's order, owned here. Plain pointers, so that an insert
    // moves them as one block of memory.
    std::vector<ListEntry*> entries_;
    bool redraw_ = true;                        // WM_SETREDRAW
    int selected_ = -1;                         // the selected entry of a single-selection list
    int focus_ = 0;                             // the caret entry
    int anchor_ = -1;                           // the anchor of the last LB_SETSEL, key move or press
    bool captured_ = false;                     // a left press on an entry holds the mouse until its release
    int drag_ = 0;                              // -1 or 1 while a drag is beyond the top or bottom edge
    QTimer dragTimer_;                          // steps such a drag
    const ListEntry* toldSelection_ = nullptr;  // the selected entry as assistive technology was last told
    const ListEntry* toldCaret_ = nullptr;      // the caret's entry as assistive technology was last told
};

}  // namespace

bool isListBox(const QObject* object) {
    return dynamic_cast<const ListWidget*>(object) != nullptr;
}

AccessibleList* listControl(const QObject* list) {
    const auto* widget = dynamic_cast<const ListWidget*>(list);
    return widget != nullptr ? widget->control : nullptr;
}

std::unique_ptr<ControlState> makeListBox(Window& window, QWidget* parent) {
    installListAccessible();
    return std::make_unique<ListBoxControl>(window, parent);
}

}  // namespace winlayer
