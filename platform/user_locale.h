// The process's ANSI code page and sort order, chosen from the user's locale
// as Wine chooses Windows' system locale (the ANSI code page) and user
// locale (the order of sorted lists): the code page from LC_CTYPE, the order
// from LC_MESSAGES, each as the C library takes it (LC_ALL, else the
// category's variable, else LANG). "sv_SE.UTF-8" is the platform's sv-SE.
// A locale without a single-byte ANSI code page, and the C and POSIX
// locales, read Windows-1252. A locale whose order a key made byte by byte
// cannot express (nls/make_nls_tables.c lists them) sorts in the default
// order of its code page. No window system here.
#pragma once

#include <string>
#include <string_view>

struct CodePageTable;

// What the process reads text in and sorts it by.
struct ProcessLocale {
    const CodePageTable* page;
    const char* const* sortKeys;  // each byte's sort key, as nls_tables.h has them
    std::string sortLocale;       // the platform's name of the user locale
};

// The process's choice; on first use, taken from the environment.
const ProcessLocale& processLocale();

// The platform's name of a POSIX locale name as Wine makes it:
// "sr_RS.UTF-8@latin" is "sr-Latn-RS"; C, POSIX and an empty name are en-US.
std::string platformLocaleName(std::string_view posixName);

// The ANSI code page of a platform locale name (its last parts dropped until
// the platform knows it), or 1252.
int localeCodePage(std::string_view platformName);

// Takes the code page from the locale named `ctype` and the order from the
// locale named `messages` (POSIX names).
void useLocale(std::string_view ctype, std::string_view messages);

// Reads text in `codePage` outright, keeping the user locale's order where
// it has one for that code page. False, changing nothing, when `codePage` is
// not one of the single-byte ANSI code pages (874, 1250-1258).
bool useCodePage(int codePage);
