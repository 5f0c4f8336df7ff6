// The EDIT class: a QLineEdit for a single-line field, a QPlainTextEdit
// without wrapping for ES_MULTILINE. The Win32 text is always derived from the
// widget, so what the user typed is what the messages read; CR LF is the line
// break of a multi-line field and counts two towards the text limit. Text
// typed, pasted or put in with EM_REPLACESEL is cut at the limit, as the
// platform cuts it; WM_SETTEXT is not held to the limit. The middle mouse
// button does nothing, as in the platform's fields: it neither pastes the X
// selection nor takes the focus.
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstring>
#include <vector>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

constexpr size_t InitialLimit = 30000;        // EM_GETLIMITTEXT before any EM_LIMITTEXT
constexpr size_t SingleLineMax = 0x7FFFFFFE;  // largest limit of a single-line field

bool isLineBreak(QChar c) {
    return c == u'\n' || c == QChar(0x2029) || c == QChar(0x2028);
}

// Win32 length of a Qt text once inserted into a multi-line field.
size_t multiLineLength(const QString& text) {
    size_t length = static_cast<size_t>(text.size());
    for (QChar c : text) {
        if (isLineBreak(c)) ++length;
    }
    return length;
}

// The longest start of `text` whose Win32 length is at most `room`; a line
// break (two in a multi-line field) is never cut in half.
QString fittingPrefix(const QString& text, size_t room, bool multiLine) {
    size_t used = 0;
    qsizetype count = 0;
    for (; count < text.size(); ++count) {
        const size_t length = multiLine && isLineBreak(text.at(count)) ? 2 : 1;
        if (used + length > room) break;
        used += length;
    }
    return text.left(count);
}

// A key pressed with Alt (and without Ctrl, which AltGr stands for) is a
// system key: it goes to the window's menu and types nothing into a field.
bool systemKey(const QKeyEvent* event) {
    return (event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier);
}

// The focus comes with a left or right press only (a right press opens the
// context menu, and the platform's field takes the focus for it too); a
// middle press is dropped. True when the event goes on to the widget.
bool takeMouse(QWidget& field, QMouseEvent* event, bool press) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return false;
    }
    if (press) field.setFocus(Qt::MouseFocusReason);
    return true;
}

// A field widget with the mouse rule above.
template <typename Widget>
class MouseRule : public Widget {
  public:
    using Widget::Widget;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (takeMouse(*this, event, true)) Widget::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (takeMouse(*this, event, true)) Widget::mouseDoubleClickEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (takeMouse(*this, event, false)) Widget::mouseReleaseEvent(event);
    }
};

class LineEdit : public MouseRule<QLineEdit> {
  public:
    using MouseRule<QLineEdit>::MouseRule;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (systemKey(event)) {
            event->ignore();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

class PlainEdit : public MouseRule<QPlainTextEdit> {
  public:
    PlainEdit(QWidget* parent, const size_t& limit) : MouseRule<QPlainTextEdit>(parent), limit_(limit) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (systemKey(event)) {
            event->ignore();
            return;
        }
        QString typed = event->text();
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) typed = QStringLiteral("\n");
        bool inserts =
            !typed.isEmpty() && (typed == QStringLiteral("\n") || typed.at(0).isPrint() || typed == "\t");
        if (inserts && !fits(typed)) return;
        QPlainTextEdit::keyPressEvent(event);
    }

    // A paste keeps as much of its text as the limit leaves room for.
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) return;
        insertFitting(source->text());
    }

  public:
    // Replaces the selection with as much of `text` as fits.
    void insertFitting(const QString& text) {
        QTextCursor cursor = textCursor();
        cursor.insertText(fittingPrefix(text, room(), true));
        setTextCursor(cursor);
        ensureCursorVisible();
    }

  private:
    // Win32 length still free once the selection is replaced.
    size_t room() const {
        size_t current = multiLineLength(document()->toRawText());
        size_t selected = multiLineLength(textCursor().selectedText());
        return current - selected >= limit_ ? 0 : limit_ - (current - selected);
    }

    bool fits(const QString& inserted) const { return multiLineLength(inserted) <= room(); }

    const size_t& limit_;
};

class EditControl : public ControlState {
  public:
    EditControl(Window& window, QWidget* parent, const std::string& initial) : handle_(window.handle) {
        multiLine_ = (window.style & ES_MULTILINE) != 0;
        if (multiLine_) {
            plain_ = new PlainEdit(parent, limit_);
            plain_->setLineWrapMode(QPlainTextEdit::NoWrap);
            plain_->setHorizontalScrollBarPolicy((window.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                             : Qt::ScrollBarAlwaysOff);
            plain_->setVerticalScrollBarPolicy((window.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
            plain_->setTabChangesFocus(false);
            // Tab stops every eight average characters, as the platform's edit fields have them.
            plain_->setTabStopDistance(8 * QFontMetricsF(plain_->font()).averageCharWidth());
            QObject::connect(plain_, &QPlainTextEdit::textChanged, plain_, [this] { userChanged(); });
            window.widget = plain_;
        } else {
            line_ = new LineEdit(parent);
            QObject::connect(line_, &QLineEdit::textEdited, line_, [this] { userEdited(); });
            window.widget = line_;
        }
        // Qt would give the focus on a press of any button; takeMouse gives it.
        window.widget->setFocusPolicy(Qt::TabFocus);
        if (!(window.exStyle & WS_EX_CLIENTEDGE)) {
            if (line_ != nullptr) line_->setFrame(false);
            if (plain_ != nullptr) plain_->setFrameShape(QFrame::NoFrame);
        }
        setText(initial);
    }

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_SETTEXT:
                setText(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
                if (!multiLine_) {
                    notifyParent(window, EN_UPDATE);
                    notifyParent(window, EN_CHANGE);
                }
                return TRUE;
            case WM_GETTEXT:
                return copyText(text(), wParam, lParam);
            case WM_GETTEXTLENGTH:
                return static_cast<LRESULT>(text().size());
            case EM_GETLINECOUNT:
                return static_cast<LRESULT>(lines().size());
            case EM_LINEINDEX:
                return lineIndex(static_cast<int>(wParam));
            case EM_LINELENGTH:
                return lineLength(static_cast<int>(wParam));
            case EM_GETLINE:
                return getLine(static_cast<int>(wParam), reinterpret_cast<char*>(lParam));
            case EM_LIMITTEXT:
                limit_ = wParam != 0 ? static_cast<size_t>(static_cast<UINT>(wParam))
                                     : (multiLine_ ? ~0u : SingleLineMax);
                if (!multiLine_ && limit_ > SingleLineMax) limit_ = SingleLineMax;
                return 0;
            case EM_GETLIMITTEXT:
                return static_cast<LRESULT>(static_cast<UINT>(limit_));
            case EM_SETSEL:
                select(static_cast<int>(wParam), static_cast<int>(lParam));
                return 0;
            case EM_REPLACESEL:
                replaceSelection(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
                return 0;
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

  private:
    std::string text() const {
        if (multiLine_) return fromQt(plain_->document()->toRawText(), TextUse::MultiLineEdit);
        return fromQt(line_->text(), TextUse::SingleLineEdit);
    }

    void setText(const std::string& bytes) {
        settingText_ = true;
        if (multiLine_) {
            plain_->setPlainText(toQt(bytes, TextUse::MultiLineEdit));
        } else {
            line_->setText(toQt(bytes, TextUse::SingleLineEdit));
            line_->setCursorPosition(0);
            lastText_ = line_->text();
        }
        settingText_ = false;
    }

    // The lines of the text with their start offsets (CR LF separates lines).
    std::vector<std::pair<size_t, std::string>> lines() const {
        std::string all = text();
        std::vector<std::pair<size_t, std::string>> result;
        if (!multiLine_) {
            result.emplace_back(0, all);
            return result;
        }
        size_t start = 0;
        for (;;) {
            size_t end = all.find("\r\n", start);
            if (end == std::string::npos) {
                result.emplace_back(start, all.substr(start));
                return result;
            }
            result.emplace_back(start, all.substr(start, end - start));
            start = end + 2;
        }
    }

    int caretLine() const {
        if (!multiLine_) return 0;
        return plain_->textCursor().blockNumber();
    }

    LRESULT lineIndex(int line) const {
        auto all = lines();
        if (line == -1) line = caretLine();
        if (line < 0 || static_cast<size_t>(line) >= all.size()) return -1;
        return static_cast<LRESULT>(all[static_cast<size_t>(line)].first);
    }

    LRESULT lineLength(int index) const {
        auto all = lines();
        if (!multiLine_) return static_cast<LRESULT>(all[0].second.size());
        if (index < 0) return static_cast<LRESULT>(all[static_cast<size_t>(caretLine())].second.size());
        for (size_t i = all.size(); i-- > 0;) {
            if (static_cast<size_t>(index) >= all[i].first) return static_cast<LRESULT>(all[i].second.size());
        }
        return 0;
    }

    // Copies at most the size in the buffer's first WORD; like the platform,
    // a NUL follows only when there is room for it.
    LRESULT getLine(int line, char* buffer) const {
        if (buffer == nullptr) return 0;
        auto all = lines();
        if (multiLine_ && (line < 0 || static_cast<size_t>(line) >= all.size())) return 0;
        const std::string& chosen = all[multiLine_ ? static_cast<size_t>(line) : 0].second;
        WORD size = 0;
        std::memcpy(&size, buffer, sizeof size);
        size_t count = chosen.size() < size ? chosen.size() : size;
        std::memcpy(buffer, chosen.data(), count);
        if (count < size) buffer[count] = 0;
        return static_cast<LRESULT>(count);
    }

    // Qt position of a Win32 character offset (a line break counts two).
    int qtPosition(int offset) const {
        const QString all = multiLine_ ? plain_->document()->toRawText() : line_->text();
        int win32 = 0;
        int position = 0;
        while (position < all.size() && win32 < offset) {
            win32 += multiLine_ && isLineBreak(all.at(position)) ? 2 : 1;
            ++position;
        }
        return position;
    }

    // EM_SETSEL: a start of -1 only removes the selection; an end of -1 or
    // past the text means the end.
    void select(int start, int end) {
        const int length = multiLine_ ? plain_->document()->characterCount() - 1 : line_->text().size();
        if (multiLine_) {
            QTextCursor cursor = plain_->textCursor();
            if (start == -1) {
                cursor.clearSelection();
            } else {
                const int from = qtPosition(start);
                const int to = end < 0 ? length : qtPosition(end);
                cursor.setPosition(from < to ? from : to);
                cursor.setPosition(from < to ? to : from, QTextCursor::KeepAnchor);
            }
            plain_->setTextCursor(cursor);
        } else if (start == -1) {
            line_->deselect();
        } else {
            const int from = qtPosition(start);
            const int to = end < 0 ? length : qtPosition(end);
            line_->setSelection(from, to - from);
        }
    }

    void replaceSelection(const std::string& bytes) {
        if (multiLine_) {
            plain_->insertFitting(toQt(bytes, TextUse::MultiLineEdit));
            return;
        }
        const QString selected = line_->selectedText();
        const size_t current = static_cast<size_t>(line_->text().size() - selected.size());
        const size_t room = current >= limit_ ? 0 : limit_ - current;
        // The insert counts as the user's edit: userEdited takes it up and notifies.
        line_->insert(fittingPrefix(toQt(bytes, TextUse::SingleLineEdit), room, false));
    }

    // After an edit by the user that went past the limit, the characters
    // just typed or pasted (they end at the cursor) are cut to fit; if that
    // is not enough the edit is undone.
    void userEdited() {
        const QString now = line_->text();
        size_t length = fromQt(now, TextUse::SingleLineEdit).size();
        if (length > limit_) {
            const int cursor = line_->cursorPosition();
            int common = 0;
            while (common < cursor && common < lastText_.size() && now.at(common) == lastText_.at(common))
                ++common;
            const int excess = static_cast<int>(length - limit_);
            if (excess <= cursor - common) {
                line_->setText(now.left(cursor - excess) + now.mid(cursor));
                line_->setCursorPosition(cursor - excess);
                length = fromQt(line_->text(), TextUse::SingleLineEdit).size();
            }
            if (length > limit_) {
                int previous = cursor - static_cast<int>(now.size() - lastText_.size());
                line_->setText(lastText_);
                line_->setCursorPosition(previous < 0 ? 0 : previous);
                return;
            }
        }
        lastText_ = line_->text();
        notifyChange();
    }

    void userChanged() {
        if (!settingText_) notifyChange();
    }

    void notifyChange() {
        if (Window* window = findWindow(handle_)) {
            notifyParent(*window, EN_UPDATE);
            notifyParent(*window, EN_CHANGE);
        }
    }

    HWND handle_;
    bool multiLine_ = false;
    bool settingText_ = false;
    size_t limit_ = InitialLimit;
    QLineEdit* line_ = nullptr;
    PlainEdit* plain_ = nullptr;
    QString lastText_;
};

}  // namespace

std::unique_ptr<ControlState> makeEdit(Window& window, QWidget* parent, const std::string& text) {
    return std::make_unique<EditControl>(window, parent, text);
}

void notifyParent(const Window& control, WORD code) {
    Window* parent = findWindow(control.parent);
    if (parent == nullptr || parent->destroyed) return;
    SendMessageA(control.parent, WM_COMMAND, MAKEWPARAM(control.id, code),
                 reinterpret_cast<LPARAM>(control.handle));
}

}  // namespace winlayer
