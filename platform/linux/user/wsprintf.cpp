// wsprintfA: the platform's small formatter. Conversions %c %d %i %u %x %X %s
// and %%, with the flags "-" and "0", a width, a precision for %s, and the
// size prefixes l and h; at most 1024 bytes are written, NUL included.
#include <cstdarg>
#include <cstring>

#include "platform/linux/winapi.h"

namespace {

constexpr int MaxOutput = 1024;

struct Output {
    char* buffer;
    int length = 0;
    bool cut = false;  // output went past the limit

    void put(char c) {
        if (length < MaxOutput - 1) {
            buffer[length++] = c;
        } else {
            cut = true;
        }
    }
    void pad(int count, char c) {
        for (int i = 0; i < count; ++i) put(c);
    }
};

void formatOne(Output& out, const char* body, int bodyLength, bool left, bool zero, int width,
               bool negative) {
    int total = bodyLength + (negative ? 1 : 0);
    int padding = width > total ? width - total : 0;
    if (!left && !zero) out.pad(padding, ' ');
    if (negative) out.put('-');
    if (!left && zero) out.pad(padding, '0');
    for (int i = 0; i < bodyLength; ++i) out.put(body[i]);
    if (left) out.pad(padding, ' ');
}

int digits(char* scratch, unsigned long long value, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[32];
    int n = 0;
    do {
        reversed[n++] = set[value % base];
        value /= base;
    } while (value != 0);
    for (int i = 0; i < n; ++i) scratch[i] = reversed[n - 1 - i];
    return n;
}

}  // namespace

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (buffer == nullptr || format == nullptr) return 0;
    va_list args;
    va_start(args, format);
    Output out{buffer};
    for (const char* p = format; *p != 0; ++p) {
        if (*p != '%') {
            out.put(*p);
            continue;
        }
        ++p;
        bool left = false;
        bool zero = false;
        for (; *p == '-' || *p == '0'; ++p) {
            if (*p == '-') left = true;
            if (*p == '0') zero = true;
        }
        int width = 0;
        for (; *p >= '0' && *p <= '9'; ++p) width = width * 10 + (*p - '0');
        int precision = -1;
        if (*p == '.') {
            precision = 0;
            for (++p; *p >= '0' && *p <= '9'; ++p) precision = precision * 10 + (*p - '0');
        }
        bool isLong = false;
        if (*p == 'l' || *p == 'h') isLong = *p++ == 'l';
        char scratch[32];
        switch (*p) {
            case 'd':
            case 'i': {
                long long value = isLong ? static_cast<long long>(va_arg(args, long)) : va_arg(args, int);
                if (isLong) value = static_cast<std::int32_t>(value);
                unsigned long long magnitude =
                    value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
                formatOne(out, scratch, digits(scratch, magnitude, 10, false), left, zero, width, value < 0);
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                unsigned long long value = isLong ? static_cast<std::uint32_t>(va_arg(args, unsigned long))
                                                  : va_arg(args, unsigned int);
                unsigned base = *p == 'u' ? 10 : 16;
                formatOne(out, scratch, digits(scratch, value, base, *p == 'X'), left, zero, width, false);
                break;
            }
            case 'c': {
                scratch[0] = static_cast<char>(va_arg(args, int));
                formatOne(out, scratch, 1, left, false, width, false);
                break;
            }
            case 's': {
                const char* text = va_arg(args, const char*);
                if (text == nullptr) text = "(null)";
                int length = static_cast<int>(std::strlen(text));
                if (precision >= 0 && precision < length) length = precision;
                formatOne(out, text, length, left, false, width, false);
                break;
            }
            case 0:
                --p;
                break;
            default:
                out.put(*p);
                break;
        }
    }
    va_end(args);
    buffer[out.length] = 0;
    // Cut output keeps 1023 bytes and its NUL; the platform then returns 1024.
    return out.cut ? MaxOutput : out.length;
}
