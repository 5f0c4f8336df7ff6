// Windows-1252 <-> UTF-16 through the program's one code page. In edit
// controls the control bytes 0x01-0x1F (other than TAB and the CR LF of a
// multi-line line break) map to U+E001-U+E01F.
#include "platform/linux/user/text_codec.h"

#include "platform/code_page.h"

namespace winlayer {
namespace {

constexpr char16_t kControlBase = 0xE000;

char encodeChar(char32_t c) {
    if (c > kControlBase && c < kControlBase + 0x20) return static_cast<char>(c - kControlBase);
    return cp1252ByteOrDefault(c);
}

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
            text += QChar(static_cast<char16_t>(kControlBase + byte));
        } else {
            text += QChar(static_cast<char16_t>(cp1252CodePoint(byte)));
        }
    }
    return text;
}

std::string fromQt(const QString& text, TextUse use) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        // A character outside the Basic Multilingual Plane is one '?', not two.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        bool lineBreak = c == u'\n' || c == 0x2029 || c == 0x2028;
        if (use == TextUse::MultiLineEdit && lineBreak) {
            bytes += "\r\n";
        } else if (c != 0) {
            bytes += encodeChar(c);
        }
    }
    return bytes;
}

}  // namespace winlayer
