// Wine reads the locale once at start (setlocale(LC_ALL, "")) and maps the
// LC_CTYPE and LC_MESSAGES names to platform names; the same precedence of
// variables is read here from the environment.
#include "platform/user_locale.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/nls/nls_tables.h"

namespace {

constexpr int DefaultCodePage = 1252;  // of C, POSIX, unknown and multibyte locales

const CodePageTable* pageOf(int codePage) {
    for (int i = 0; i < CodePageTableCount; ++i)
        if (CodePageTables[i].codePage == codePage) return &CodePageTables[i];
    return nullptr;
}

std::string_view languageOf(std::string_view name) {
    return name.substr(0, name.find('-'));
}

// The user locale's own keys when they are for `page`'s bytes, else the
// code page's default order.
const char* const* sortKeysFor(std::string_view locale, const CodePageTable& page) {
    for (int i = 0; i < SortTableCount; ++i)
        if (languageOf(SortTables[i].locale) == languageOf(locale) && SortTables[i].codePage == page.codePage)
            return SortTables[i].sortKeys;
    return page.sortKeys;
}

// The variable the C library reads for `category`: LC_ALL, the category's,
// LANG, each when set and not empty.
std::string_view variable(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

ProcessLocale localeOf(std::string_view ctype, std::string_view messages) {
    ProcessLocale locale{pageOf(localeCodePage(platformLocaleName(ctype))), nullptr,
                         platformLocaleName(messages)};
    locale.sortKeys = sortKeysFor(locale.sortLocale, *locale.page);
    return locale;
}

// The one owner of the process's choice, read from the environment first.
ProcessLocale& choice() {
    static ProcessLocale locale = localeOf(variable("LC_CTYPE"), variable("LC_MESSAGES"));
    return locale;
}

}  // namespace

const ProcessLocale& processLocale() {
    return choice();
}

std::string platformLocaleName(std::string_view posix) {
    const std::size_t end = posix.find_first_of("_.@");
    const std::string_view language = posix.substr(0, end);
    if (language.empty() || language == "C" || language == "POSIX") return "en-US";
    std::string name(language);
    std::string_view country, modifier;
    std::size_t at = end;
    if (at != std::string_view::npos && posix[at] == '_') {
        const std::size_t next = posix.find_first_of(".@", at + 1);
        country = posix.substr(at + 1, next - at - 1);
        at = next;
    }
    if (at != std::string_view::npos) {
        const std::size_t mark = posix.find('@', at);
        if (mark != std::string_view::npos) modifier = posix.substr(mark + 1);
    }
    // The scripts Wine names by a modifier (of those with single-byte pages).
    static const char* const Scripts[][2] = {{"cyrillic", "-Cyrl"}, {"latin", "-Latn"}, {"arabic", "-Arab"}};
    for (const auto& script : Scripts)
        if (modifier == script[0]) name += script[1];
    if (!country.empty()) name += '-' + std::string(country);
    return name;
}

int localeCodePage(std::string_view name) {
    std::string wanted(name);
    for (;;) {
        for (int i = 0; i < LocaleCodePageCount; ++i)
            if (sameName(LocaleCodePages[i].locale, wanted)) return LocaleCodePages[i].codePage;
        const std::size_t dash = wanted.rfind('-');
        if (dash == std::string::npos) return DefaultCodePage;
        wanted.resize(dash);
    }
}

void useLocale(std::string_view ctype, std::string_view messages) {
    choice() = localeOf(ctype, messages);
}

bool useCodePage(int codePage) {
    const CodePageTable* page = pageOf(codePage);
    if (!page) return false;
    ProcessLocale& locale = choice();
    locale.page = page;
    locale.sortKeys = sortKeysFor(locale.sortLocale, *page);
    return true;
}
