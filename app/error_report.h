// The program's one way of telling the user that something failed.
#pragma once

enum ErrorCode { NoDataFile = 1, ControlsFailed, LoadFailed, StartFailed, SaveFailed };

// Shows the modal error box for `code` (any value; unknown ones get a generic
// text) owned by mainWindow. For LoadFailed and StartFailed the remembered data
// file path is forgotten first. Returns when the box is dismissed.
void reportError(int code);
