// The platform's own Windows-1252 table, as an independent reference for the
// codec: MultiByteToWideChar on Windows, iconv elsewhere.
#pragma once

// The code point of `byte` in code page 1252. Returns false when the
// reference has no mapping for it (iconv leaves the five undefined bytes out).
bool referenceCodePoint(unsigned char byte, char32_t& codePoint);
