// What the platform answered about the order of Windows-1252 text, recorded
// under Wine by platform/nls/make_nls_tables.c: texts in the order they were
// added to a sorted list box, each with the platform's sort key, and the
// order the list box then showed.
#pragma once

struct ReferenceText {
    const char* text;
    const char* key;
};

extern const ReferenceText ReferenceTexts[];
extern const int ReferenceTextCount;
extern const char* const ReferenceOrder[];

// The same in other locales, recorded with LC_ALL set to each: a row per
// text, in the order added, with its place in the sorted list box after
// all of that locale's texts were added.
struct LocaleText {
    const char* locale;  // the platform's name: "sv-SE"
    const char* text;
    const char* key;
    int place;
};

extern const LocaleText LocaleTexts[];
extern const int LocaleTextCount;
