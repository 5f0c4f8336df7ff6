// Which card data file is in use: the path remembered per user in the
// settings store, and the file-open dialog that chooses it.
#pragma once

#include "platform/win32.h"

constexpr int DataFilePathSize = MAX_PATH;  // bytes of dataFilePath, terminator included

extern char dataFilePath[DataFilePathSize];  // full path of the card data file in use

// The settings key and the value that holds the path.
extern const char* const SettingsKeyPath;    // "Software\\Kesp\\Cardloom" under HKEY_CURRENT_USER
extern const char* const SettingsValueName;  // "cardinfo.dat"
extern const char* const DataFileFilters;    // the open dialog's filter list

// Puts the data file path into dataFilePath: the stored one unless `forced`,
// otherwise (or when none is stored) the one the user picks in the dialog,
// which is then remembered. Returns 1 when dataFilePath holds a path, 0 when
// the dialog was cancelled (dataFilePath and the stored value unchanged).
int locateDataFile(int forced);

// Shows the open dialog proposing `fileName` in the current directory. On
// confirmation copies the chosen full path into `destination` (MAX_PATH bytes)
// and returns 1; otherwise returns 0 and leaves `destination` alone.
int chooseDataFile(const char* fileName, const char* filters, char* destination);

// Removes the remembered path (the key is created when missing); failures are
// ignored.
void forgetDataFile();
