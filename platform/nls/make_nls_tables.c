/* Asks the platform itself how it converts Unicode to Windows-1252 and how
 * its list box orders Windows-1252 text, and writes what it answers as C++
 * tables for the Linux layer and as the reference the tests check against.
 * Built with MinGW-w64 and run under Wine by make_nls_tables.sh:
 *
 *   make_nls_tables.exe TABLES.cpp REFERENCE.inc
 *
 * TABLES.cpp: the best-fit table (every UTF-16 unit that WideCharToMultiByte
 * on code page 1252 with default flags turns into a byte other than its own
 * and other than the default '?'), and the sort key LCMapStringA gives each
 * single byte with NORM_IGNORECASE, the comparison the list box uses.
 * REFERENCE.inc: the order a sorted LISTBOX gives to the texts of
 * reference_texts() when added in that order, and the platform's sort key
 * of each, for the tests of both builds. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define SORT_FLAGS (LCMAP_SORTKEY | NORM_IGNORECASE)

static int own_byte(WCHAR unit) {
    char byte = 0;
    BOOL used = FALSE;
    WCHAR back = 0;
    if (WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &unit, 1, &byte, 1, NULL, &used) != 1 || used) return -1;
    if (MultiByteToWideChar(1252, 0, &byte, 1, &back, 1) != 1 || back != unit) return -1;
    return (unsigned char)byte;
}

/* A C string literal of `bytes`: as text, printable ASCII as it is and
 * others as hex escapes (the literal split where a hex digit follows an
 * escape); otherwise all as hex escapes. */
static void put_escaped(FILE *out, const unsigned char *bytes, int count, int as_text) {
    int escaped = 0;
    fputc('"', out);
    for (int i = 0; i < count; i++) {
        const unsigned char c = bytes[i];
        const int plain = as_text && c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
        if (plain && escaped && strchr("0123456789abcdefABCDEF", c)) fputs("\" \"", out);
        if (plain) fputc(c, out);
        else fprintf(out, "\\x%02X", c);
        escaped = !plain;
    }
    fputc('"', out);
}

/* The sort key of `text` without its terminating 0, or -1. */
static int sort_key(const char *text, int length, unsigned char *key, int size) {
    int n = LCMapStringA(LOCALE_USER_DEFAULT, SORT_FLAGS, text, length, (char *)key, size);
    return n > 0 ? n - 1 : -1;
}

/* Opens an output file and writes its first line: what wrote it, and where. */
static FILE *start_output(const char *path) {
    FILE *out = fopen(path, "w");
    if (out)
        fprintf(out, "// Written by platform/nls/make_nls_tables.c under Wine (locale %04lx); do not edit.\n",
                (unsigned long)GetUserDefaultLCID());
    return out;
}

static int write_tables(const char *path) {
    FILE *out = start_output(path);
    if (!out) return 0;
    fprintf(out,
            "#include \"platform/nls/nls_tables.h\"\n\n"
            "const BestFit BestFit1252[] = {\n");
    int count = 0;
    for (unsigned unit = 1; unit <= 0xFFFF; unit++) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const WCHAR w = (WCHAR)unit;
        char byte = 0;
        BOOL used = FALSE;
        if (WideCharToMultiByte(1252, 0, &w, 1, &byte, 1, NULL, &used) != 1 || used) continue;
        if (own_byte(w) >= 0) continue;
        fprintf(out, "    {0x%04X, 0x%02X},\n", unit, (unsigned char)byte);
        count++;
    }
    fprintf(out, "};\nconst int BestFit1252Count = %d;\n\nconst char* const SortKeys1252[256] = {\n    \"\",\n", count);
    for (int byte = 1; byte < 256; byte++) {
        const char text = (char)byte;
        unsigned char key[64];
        const int n = sort_key(&text, 1, key, sizeof key);
        if (n < 0) return 0;
        fprintf(out, "    ");
        put_escaped(out, key, n, 0);
        fprintf(out, ",  // 0x%02X\n", byte);
    }
    fprintf(out, "};\n");
    return fclose(out) == 0;
}

/* Texts whose order tells expansions, case, accents, ignored and special
 * bytes apart: every single byte from 0x20, then names and pairs. */
static const char *const names[] = {
    "Aether Flash", "\xC6ther Vial", "Afterlife", "\xC6", "AE", "Ae", "ae", "\xE6", "A", "a", "Af",
    "\x8C", "OE", "oe", "\x9C", "Od", "Of", "\xDF", "ss", "SS", "sr", "st", "\xDE", "TH", "th", "\xFE",
    "Tg", "Ti", "Lim-D\xFBl", "Lim-Dul", "LimDul", "Lim Dul", "J\xF6tun", "Jotun", "Jotunn", "Dand\xE2n",
    "Dandan", "co-op", "coop", "Co-op", "co'op", "coo", "coop-", "e", "\xE9", "E", "\xC9", "\xE8", "\xEA",
    "f", "\xE9t\xE9", "ete", "\xE9te", "et\xE9", "1", "10", "2", "\xB2", "\xB9", "!", "-", "'", "\x96",
    "\x97", "\xAD", "a\xAD" "b", "ab", "\x81", "\x8D", "\x01", "a\x01", "\xAA", "\xBA", "o", "\xD7", "x",
    "\xF7", "[x]", "x]", "Na\xEFve", "Naive", "Nai-ve", "\x8A", "S", "\x9A", "\x83", "f", "\xFF", "\x9F",
    "y", "Y", "z", "\x8E", "\x9E",
};

static int text_count(void) {
    return 0xE0 + (int)(sizeof names / sizeof names[0]);
}

static void text_at(int i, char *text, int *length) {
    if (i < 0xE0) {
        text[0] = (char)(0x20 + i);
        *length = 1;
    } else {
        *length = (int)strlen(names[i - 0xE0]);
        memcpy(text, names[i - 0xE0], (size_t)*length);
    }
    text[*length] = 0;
}

static int write_reference(const char *path) {
    FILE *out = start_output(path);
    if (!out) return 0;
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
    if (!list) return 0;
    fprintf(out,
            "// Each text, as added in this order, and the platform's sort key of it.\n"
            "const ReferenceText ReferenceTexts[] = {\n");
    char text[300];
    int length = 0;
    for (int i = 0; i < text_count(); i++) {
        text_at(i, text, &length);
        unsigned char key[1024];
        const int n = sort_key(text, length, key, sizeof key);
        if (n < 0 || SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text) < 0) return 0;
        fprintf(out, "    {");
        put_escaped(out, (const unsigned char *)text, length, 1);
        fprintf(out, ", ");
        put_escaped(out, key, n, 0);
        fprintf(out, "},\n");
    }
    fprintf(out, "};\n\n// The texts in the order the sorted list box shows them.\nconst char* const ReferenceOrder[] = {\n");
    const int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= (LRESULT)sizeof text) return 0;
        length = (int)SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
        fprintf(out, "    ");
        put_escaped(out, (const unsigned char *)text, length, 1);
        fprintf(out, ",\n");
    }
    fprintf(out, "};\n");
    DestroyWindow(list);
    return fclose(out) == 0;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_nls_tables TABLES.cpp REFERENCE.inc\n");
        return 2;
    }
    if (!write_tables(argv[1]) || !write_reference(argv[2])) {
        fprintf(stderr, "make_nls_tables: could not write the tables\n");
        return 1;
    }
    return 0;
}
