// The ANSI code page <-> UTF-16 through the program's codec; characters
// outside it take the platform's best-fit bytes. In edit controls the control
// bytes 0x01-0x1F (other than TAB and the CR LF of a multi-line line break)
// map to U+E001-U+E01F.
#include "platform/linux/user/text_codec.h"

#include "platform/code_page.h"

namespace winlayer {
namespace {

constexpr char16_t ControlBase = 0xE000;

}  // namespace

QString toQt(const std::string& bytes, TextUse use) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (use == TextUse::MultiLineEdit && byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            text += QChar(u'\n');
            ++i;
        } else if (use != TextUse::Plain && byte < 0x20 && byte != '\t') {
            text += QChar(static_cast<char16_t>(ControlBase + byte));
        } else {
            text += QChar(static_cast<char16_t>(ansiCodePoint(byte)));
        }
    }
    return text;
}

std::string fromQt(const QString& text, TextUse use) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    // Unit by unit, as the platform converts: a character beyond U+FFFF
    // (two units) becomes "??".
    for (const QChar unit : text) {
        const char16_t c = unit.unicode();
        const bool lineBreak = c == u'\n' || c == 0x2029 || c == 0x2028;
        if (use == TextUse::MultiLineEdit && lineBreak) {
            bytes += "\r\n";
        } else if (c > ControlBase && c < ControlBase + 0x20) {
            bytes += static_cast<char>(c - ControlBase);
        } else if (c != 0) {
            appendAnsiBestFit(bytes, c);
        }
    }
    return bytes;
}

}  // namespace winlayer
