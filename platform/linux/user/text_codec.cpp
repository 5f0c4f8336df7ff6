// Windows-1252 <-> UTF-16. Bytes undefined in Windows-1252 (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 code points of the same value, as Windows does.
// In edit controls the control bytes 0x01-0x1F (other than TAB and the CR LF
// of a multi-line line break) map to U+E001-U+E01F.
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t kControlBase = 0xE000;

char16_t decodeByte(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
    return byte;
}

char encodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    }
    if (c > kControlBase && c < kControlBase + 0x20) return static_cast<char>(c - kControlBase);
    return '?';
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
            text += QChar(decodeByte(byte));
        }
    }
    return text;
}

std::string fromQt(const QString& text, TextUse use) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar qc : text) {
        char16_t c = qc.unicode();
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
