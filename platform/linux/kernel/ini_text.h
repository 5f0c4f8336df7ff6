// The text of an INI settings file as the usual settings library (QSettings)
// writes and reads it: its escapes, its logical lines, and the reading and
// editing of one string value of the [General] section, keeping every other
// line as it is. Pure functions of the text; names and values are in the
// ANSI code page, the file text in UTF-8.
#pragma once

#include <string>

// The string that the last entry `name` of [General] stands for, cut at a
// NUL. False when there is none, or it is not one string (a list, or a typed
// value other than a byte array).
bool readIniValue(const std::string& content, const std::string& name, std::string& value);

// Sets `name` in [General] to `value` (removes it when `value` is null): the
// last entry is replaced in its place and earlier duplicates dropped; a new
// entry goes after the section's last entry, or into a new [General] section
// at the top. False, and `content` as it was, when removing a value that is
// not there.
bool editIniValue(std::string& content, const std::string& name, const std::string* value);
