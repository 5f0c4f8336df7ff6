// The error box: one text per code, the stored data file path forgotten first
// for the two codes after which the next start must ask for the file again.
#include "app/error_report.h"

#include "card/card_table.h"
#include "editor/main_window.h"
#include "platform/win32.h"
#include "settings/data_file.h"

namespace {

struct ErrorText {
    int code;
    const char* text;
    int forgetsPath;  // the remembered path is removed before the box
};

const ErrorText ErrorTexts[] = {
    {NoDataFile, "Cardloom needs a data file to work\r\nLook in the Sets subdirectory.", 0},
    {ControlsFailed, "Cardloom couldn't initialize the buttons.", 0},
    {LoadFailed, "Cardloom couldn't load the cards. The invalid(?) cardinfo.dat will be removed.", 1},
    {StartFailed, "Cardloom couldn't start.", 1},
    {SaveFailed, "The updates cardinfo.dat couldn't be saved.", 0},
};

}  // namespace

void reportError(int code) {
    char message[256] = "";
    const ErrorText* known = nullptr;
    for (const ErrorText& entry : ErrorTexts)
        if (entry.code == code) known = &entry;

    if (known != nullptr) {
        copyField(message, sizeof message, known->text);
        if (known->forgetsPath) forgetDataFile();
    } else {
        wsprintfA(message, "Unknown error: %i", code);
    }
    MessageBoxA(mainWindow, message, "Cardloom error", MB_ICONHAND);
}
