// The one crossing point of text between the program's 8-bit bytes (the ANSI
// code page the locale chooses) and Qt's strings, over the program's codec (platform/code_page.h).
// Every byte 0x01-0xFF survives a round trip.
#pragma once

#include <QString>
#include <string>

namespace winlayer {

// How control bytes are shown: as-is (captions, list entries) or, in edit
// controls, as private-use characters so they stay visible and survive
// editing. A multi-line edit shows CR LF as its line break.
enum class TextUse { Plain, SingleLineEdit, MultiLineEdit };

QString toQt(const std::string& bytes, TextUse use = TextUse::Plain);
std::string fromQt(const QString& text, TextUse use = TextUse::Plain);

}  // namespace winlayer
