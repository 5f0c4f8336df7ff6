/* Asks the platform itself how it converts between Unicode and its
 * single-byte ANSI code pages and how its list box orders their text, and
 * writes what it answers as C++ tables for the Linux layer and as the
 * reference the tests check against. Built with MinGW-w64 and run under Wine
 * by make_nls_tables.sh:
 *
 *   make_nls_tables.exe TABLES.cpp REFERENCE.inc
 *   make_nls_tables.exe --order LOCALE_TEXTS.inc
 *
 * TABLES.cpp: for each single-byte ANSI code page (874, 1250-1258), the
 * Unicode unit of each byte (MultiByteToWideChar) and its best-fit table
 * (every UTF-16 unit that WideCharToMultiByte with default flags turns into a
 * byte other than its own and other than the default '?'); then the sort key
 * of each single byte with NORM_IGNORECASE, the comparison the list box
 * uses: in the default order (en-US) for each code page, and in each locale
 * of `candidates` whose order differs and a key made byte by byte expresses,
 * for the bytes of its own code page; what it finds of each candidate goes to
 * standard error. Last, the code page of each locale the platform names.
 * REFERENCE.inc: the order a sorted LISTBOX gives to the texts of `names`
 * when added in that order, and the platform's sort key of each, for the
 * tests of both builds.
 * --order: the rows of the same for the locale the process runs in (set by
 * LC_ALL), over every single byte and a few names, appended to the file. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define SORT_FLAGS (LCMAP_SORTKEY | NORM_IGNORECASE)

static const int code_pages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
#define CODE_PAGE_COUNT ((int)(sizeof code_pages / sizeof code_pages[0]))

/* Locales that may have an order of their own. One is recorded when its
 * order differs from the default order of its code page and no pair of its
 * bytes sorts as other than the two bytes one after the other (Danish aa,
 * Czech ch and Hungarian cs sort as one letter, Thai vowels before their
 * consonant); the Windows build's tests check each recorded one against
 * LCMapStringA on random texts. */
static const char *const candidates[] = {
    "sv-SE", "fi-FI", "da-DK", "nb-NO", "is-IS", "de-DE", "fr-FR", "it-IT", "nl-NL", "pt-PT", "es-ES",
    "et-EE", "lv-LV", "lt-LT", "pl-PL", "cs-CZ", "sk-SK", "hu-HU", "hr-HR", "ro-RO", "sl-SI", "tr-TR",
    "az-Latn-AZ", "ru-RU", "uk-UA", "bg-BG", "mk-MK", "be-BY", "el-GR", "he-IL", "ar-SA", "vi-VN", "th-TH"};
#define CANDIDATE_COUNT ((int)(sizeof candidates / sizeof candidates[0]))

/* The index of `cp` in code_pages, or CODE_PAGE_COUNT. */
static int page_index(int cp) {
    int page = 0;
    while (page < CODE_PAGE_COUNT && code_pages[page] != cp) page++;
    return page;
}

static int own_byte(UINT cp, WCHAR unit) {
    char byte = 0;
    BOOL used = FALSE;
    WCHAR back = 0;
    if (WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, &unit, 1, &byte, 1, NULL, &used) != 1 || used) return -1;
    if (MultiByteToWideChar(cp, 0, &byte, 1, &back, 1) != 1 || back != unit) return -1;
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

/* The sort key, without its terminating 0, of `text` in the user's locale,
 * or -1. */
static int sort_key(const char *text, int length, unsigned char *key, int size) {
    int n = LCMapStringA(LOCALE_USER_DEFAULT, SORT_FLAGS, text, length, (char *)key, size);
    return n > 0 ? n - 1 : -1;
}

/* The sort key, without its terminating 0, of `length` (at most 4) bytes of
 * code page `cp` in locale `name`, or -1. */
static int text_key(const WCHAR *name, UINT cp, const char *text, int length, unsigned char *key, int size) {
    WCHAR units[8];
    const int count = MultiByteToWideChar(cp, 0, text, length, units, 8);
    if (count <= 0) return -1;
    const int n = LCMapStringEx(name, SORT_FLAGS, units, count, (WCHAR *)key, size, NULL, NULL, 0);
    return n > 0 ? n - 1 : -1;
}

/* Opens an output file and writes its first line: what wrote it, and where. */
static FILE *start_output(const char *path, const char *mode) {
    FILE *out = fopen(path, mode);
    if (out && mode[0] == 'w')
        fprintf(out, "// Written by platform/nls/make_nls_tables.c under Wine (locale %04lx); do not edit.\n",
                (unsigned long)GetUserDefaultLCID());
    return out;
}

static void put_code_page(FILE *out, UINT cp) {
    fprintf(out, "const BestFit BestFit%u[] = {", cp);
    int count = 0;
    for (unsigned unit = 1; unit <= 0xFFFF; unit++) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const WCHAR w = (WCHAR)unit;
        char byte = 0;
        BOOL used = FALSE;
        if (WideCharToMultiByte(cp, 0, &w, 1, &byte, 1, NULL, &used) != 1 || used) continue;
        if (own_byte(cp, w) >= 0) continue;
        fprintf(out, "%s{0x%04X, 0x%02X},", count % 6 ? " " : "\n    ", unit, (unsigned char)byte);
        count++;
    }
    fprintf(out, "\n};\n\n");
}

/* The keys of the 256 bytes of `cp` in locale `name` (byte 0 has none). */
typedef struct {
    unsigned char key[256][32];
    int length[256];
} ByteKeys;

static int byte_keys(const WCHAR *name, UINT cp, ByteKeys *keys) {
    keys->length[0] = 0;
    for (int byte = 1; byte < 256; byte++) {
        const char text = (char)byte;
        if ((keys->length[byte] = text_key(name, cp, &text, 1, keys->key[byte], sizeof keys->key[byte])) < 0)
            return 0;
    }
    return 1;
}

/* How many bytes' keys differ between two tables. */
static int differing_keys(const ByteKeys *a, const ByteKeys *b) {
    int count = 0;
    for (int byte = 1; byte < 256; byte++)
        count += a->length[byte] != b->length[byte] || memcmp(a->key[byte], b->key[byte], (size_t)a->length[byte]);
    return count;
}

/* The length of a key's first level, its primary weights. */
static int first_level(const unsigned char *key, int length) {
    int n = 0;
    while (n < length && key[n] != 1) n++;
    return n;
}

/* How many pairs of bytes have a first level other than their two bytes'
 * one after the other. */
static int pairs_sorted_apart(const WCHAR *name, UINT cp, const ByteKeys *keys) {
    int count = 0;
    for (int a = 1; a < 256; a++) {
        const int first_a = first_level(keys->key[a], keys->length[a]);
        for (int b = 1; b < 256; b++) {
            const char pair[2] = {(char)a, (char)b};
            const int first_b = first_level(keys->key[b], keys->length[b]);
            unsigned char key[64];
            const int n = text_key(name, cp, pair, 2, key, sizeof key);
            count += n < 0 || first_level(key, n) != first_a + first_b || memcmp(key, keys->key[a], (size_t)first_a) ||
                     memcmp(key + first_a, keys->key[b], (size_t)first_b);
        }
    }
    return count;
}

static void put_keys(FILE *out, const char *array, const ByteKeys *keys) {
    fprintf(out, "const char* const %s[256] = {\n    \"\",\n", array);
    for (int byte = 1; byte < 256; byte++) {
        fprintf(out, "    ");
        put_escaped(out, keys->key[byte], keys->length[byte], 0);
        fprintf(out, ",  // 0x%02X\n", byte);
    }
    fprintf(out, "};\n\n");
}

static UINT code_page_of(const WCHAR *name) {
    DWORD cp = 0;
    if (!GetLocaleInfoEx(name, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, (WCHAR *)&cp,
                         sizeof cp / sizeof(WCHAR)))
        return 0;
    return cp;
}

/* The name of a locale's key table: SortKeysSvSE for sv-SE. */
static const char *array_name(char *array, size_t size, const char *locale) {
    size_t n = (size_t)snprintf(array, size, "SortKeys");
    for (int up = 1; *locale && n + 1 < size; locale++) {
        if (*locale == '-') {
            up = 1;
            continue;
        }
        array[n++] = up ? (char)(*locale & ~0x20) : *locale;
        up = 0;
    }
    array[n] = 0;
    return array;
}

static ByteKeys defaults[CODE_PAGE_COUNT], keys;

/* Every locale the platform names, with its ANSI code page; 1252 for one
 * that has none of the single-byte pages (double-byte, or Unicode only). */
#define MAX_LOCALES 2000
static struct {
    char name[LOCALE_NAME_MAX_LENGTH];
    int code_page;
} locales[MAX_LOCALES];
static int locale_count;

static BOOL CALLBACK add_locale(LPWSTR name, DWORD flags, LPARAM unused) {
    (void)flags, (void)unused;
    if (locale_count == MAX_LOCALES || !name[0]) return locale_count < MAX_LOCALES;
    const int cp = (int)code_page_of(name);
    WideCharToMultiByte(CP_ACP, 0, name, -1, locales[locale_count].name, LOCALE_NAME_MAX_LENGTH, NULL, NULL);
    locales[locale_count++].code_page = page_index(cp) < CODE_PAGE_COUNT ? cp : 1252;
    return TRUE;
}

/* The code page of `name` as found by dropping its last parts until the
 * platform knows it, or 1252. */
static int code_page_by_name(const char *name) {
    char wanted[LOCALE_NAME_MAX_LENGTH];
    snprintf(wanted, sizeof wanted, "%s", name);
    for (;;) {
        for (int i = 0; i < locale_count; i++)
            if (!_stricmp(locales[i].name, wanted)) return locales[i].code_page;
        char *dash = strrchr(wanted, '-');
        if (!dash) return 1252;
        *dash = 0;
    }
}

/* The rows a lookup that drops a name's last parts needs: every name whose
 * code page is not 1252, and the names of 1252 whose shorter name's is. */
static void put_locale_code_pages(FILE *out) {
    EnumSystemLocalesEx(add_locale, LOCALE_ALL, 0, NULL);
    fprintf(out, "const LocaleCodePage LocaleCodePages[] = {");
    int count = 0;
    for (int i = 0; i < locale_count; i++) {
        char parent[LOCALE_NAME_MAX_LENGTH];
        snprintf(parent, sizeof parent, "%s", locales[i].name);
        char *dash = strrchr(parent, '-');
        if (dash) *dash = 0;
        const int parent_page = dash ? code_page_by_name(parent) : 1252;
        if (locales[i].code_page == 1252 && parent_page == 1252) continue;
        fprintf(out, "%s{\"%s\", %d},", count % 5 ? " " : "\n    ", locales[i].name, locales[i].code_page);
        count++;
    }
    fprintf(out, "\n};\nconst int LocaleCodePageCount = static_cast<int>(std::size(LocaleCodePages));\n");
}

static int write_tables(const char *path) {
    FILE *out = start_output(path, "w");
    if (!out) return 0;
    fprintf(out, "#include \"platform/nls/nls_tables.h\"\n\n#include <iterator>\n\nnamespace {\n\n");
    for (int i = 0; i < CODE_PAGE_COUNT; i++) put_code_page(out, code_pages[i]);
    /* The default order: en-US's, for the bytes of each code page. */
    for (int i = 0; i < CODE_PAGE_COUNT; i++) {
        char array[32];
        if (!byte_keys(L"en-US", code_pages[i], &defaults[i])) return 0;
        snprintf(array, sizeof array, "SortKeys%d", code_pages[i]);
        put_keys(out, array, &defaults[i]);
    }
    int recorded[CANDIDATE_COUNT] = {0};
    UINT cps[CANDIDATE_COUNT] = {0};
    for (int c = 0; c < CANDIDATE_COUNT; c++) {
        WCHAR name[LOCALE_NAME_MAX_LENGTH];
        MultiByteToWideChar(CP_ACP, 0, candidates[c], -1, name, LOCALE_NAME_MAX_LENGTH);
        cps[c] = code_page_of(name);
        const int page = page_index((int)cps[c]);
        if (page == CODE_PAGE_COUNT || !byte_keys(name, cps[c], &keys)) {
            fprintf(stderr, "make_nls_tables: %s: no single-byte code page\n", candidates[c]);
            continue;
        }
        const int differing = differing_keys(&keys, &defaults[page]);
        const int apart = differing ? pairs_sorted_apart(name, cps[c], &keys) : 0;
        recorded[c] = differing && !apart;
        fprintf(stderr, "make_nls_tables: %s (code page %u): %d bytes differ from the default order, %d pairs"
                        " sort apart: %s\n", candidates[c], cps[c], differing, apart,
                recorded[c] ? "its own order" : "the default order");
        if (!recorded[c]) continue;
        char array[32];
        put_keys(out, array_name(array, sizeof array, candidates[c]), &keys);
    }
    fprintf(out, "}  // namespace\n\nconst CodePageTable CodePageTables[] = {\n");
    for (int i = 0; i < CODE_PAGE_COUNT; i++) {
        fprintf(out, "    {%d, BestFit%d, std::size(BestFit%d), SortKeys%d, {", code_pages[i], code_pages[i],
                code_pages[i], code_pages[i]);
        for (int byte = 0; byte < 256; byte++) {
            const char c = (char)byte;
            WCHAR unit = 0;
            if (MultiByteToWideChar(code_pages[i], 0, &c, 1, &unit, 1) != 1) return 0;
            fprintf(out, "%s0x%04X,", byte % 8 ? " " : "\n        ", unit);
        }
        fprintf(out, "\n    }},\n");
    }
    fprintf(out, "};\nconst int CodePageTableCount = static_cast<int>(std::size(CodePageTables));\n\n"
                 "const SortTable SortTables[] = {\n");
    for (int c = 0; c < CANDIDATE_COUNT; c++)
        if (recorded[c]) {
            char array[32];
            fprintf(out, "    {\"%s\", %u, %s},\n", candidates[c], cps[c],
                    array_name(array, sizeof array, candidates[c]));
        }
    fprintf(out, "};\nconst int SortTableCount = static_cast<int>(std::size(SortTables));\n\n");
    put_locale_code_pages(out);
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

/* What every locale's order is recorded over, after the single bytes: the
 * seven names of the list the locale changes, and words with the letters
 * locales tailor. */
static const char *const locale_names[] = {
    "\xC0\xE1\xE2\xE3\xE4", "Zebra", "\xC5sa", "\xC4rlig", "Apa", "\xD6verste", "Bok", "Istanbul",
    "\xDDzmir", "\xFDsk", "isk", "\xC7" "ay", "\xB3\xF3" "d\xBF", "Lodz", "\xA3\xF3" "dka", "\xD1" "a", "Na", "Oa",
    "Ya", "\xDF" "a", "\xC6" "b",
};
#define NAME_COUNT ((int)(sizeof names / sizeof names[0]))
#define LOCALE_NAME_COUNT ((int)(sizeof locale_names / sizeof locale_names[0]))

static void text_at(const char *const *list, int i, char *text, int *length) {
    if (i < 0xE0) {
        text[0] = (char)(0x20 + i);
        *length = 1;
    } else {
        *length = (int)strlen(list[i - 0xE0]);
        memcpy(text, list[i - 0xE0], (size_t)*length);
    }
    text[*length] = 0;
}

/* Adds the texts to a sorted list box in order; returns it, or NULL. */
static HWND sorted_list(const char *const *list, int count) {
    HWND box = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, NULL,
                               NULL, GetModuleHandleA(NULL), NULL);
    char text[300];
    int length = 0;
    for (int i = 0; box && i < count; i++) {
        text_at(list, i, text, &length);
        if (SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)text) < 0) return NULL;
    }
    return box;
}

static int write_reference(const char *path) {
    FILE *out = start_output(path, "w");
    const int count = 0xE0 + NAME_COUNT;
    HWND list = sorted_list(names, count);
    if (!out || !list) return 0;
    fprintf(out,
            "// Each text, as added in this order, and the platform's sort key of it.\n"
            "const ReferenceText ReferenceTexts[] = {\n");
    char text[300];
    int length = 0;
    for (int i = 0; i < count; i++) {
        text_at(names, i, text, &length);
        unsigned char key[1024];
        const int n = sort_key(text, length, key, sizeof key);
        if (n < 0) return 0;
        fprintf(out, "    {");
        put_escaped(out, (const unsigned char *)text, length, 1);
        fprintf(out, ", ");
        put_escaped(out, key, n, 0);
        fprintf(out, "},\n");
    }
    fprintf(out, "};\n\n// The texts in the order the sorted list box shows them.\nconst char* const ReferenceOrder[] = {\n");
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

/* Appends a row for each text of the locale's list: the locale's name, the
 * text, its sort key, and its place in the sorted list box. */
static int write_order(const char *path) {
    WCHAR wide[LOCALE_NAME_MAX_LENGTH];
    char locale[LOCALE_NAME_MAX_LENGTH];
    FILE *out = start_output(path, "a");
    const int count = 0xE0 + LOCALE_NAME_COUNT;
    HWND list = sorted_list(locale_names, count);
    if (!out || !list || !GetUserDefaultLocaleName(wide, LOCALE_NAME_MAX_LENGTH)) return 0;
    WideCharToMultiByte(CP_ACP, 0, wide, -1, locale, sizeof locale, NULL, NULL);
    fprintf(out, "    // %s, code page %u\n", locale, GetACP());
    for (int i = 0; i < count; i++) {
        char text[300], shown[300];
        int length = 0, place = 0;
        text_at(locale_names, i, text, &length);
        while (place < count && (SendMessageA(list, LB_GETTEXT, place, (LPARAM)shown) < 0 || strcmp(shown, text)))
            place++;
        unsigned char key[1024];
        const int n = sort_key(text, length, key, sizeof key);
        if (n < 0 || place == count) return 0;
        fprintf(out, "    {\"%s\", ", locale);
        put_escaped(out, (const unsigned char *)text, length, 1);
        fprintf(out, ", ");
        put_escaped(out, key, n, 0);
        fprintf(out, ", %d},\n", place);
    }
    DestroyWindow(list);
    return fclose(out) == 0;
}

int main(int argc, char **argv) {
    int written = 0;
    if (argc == 3 && !strcmp(argv[1], "--order")) {
        written = write_order(argv[2]);
    } else if (argc == 3) {
        written = write_tables(argv[1]) && write_reference(argv[2]);
    } else {
        fprintf(stderr, "usage: make_nls_tables TABLES.cpp REFERENCE.inc\n"
                        "       make_nls_tables --order LOCALE_TEXTS.inc\n");
        return 2;
    }
    if (!written) {
        fprintf(stderr, "make_nls_tables: could not write the tables\n");
        return 1;
    }
    return 0;
}
