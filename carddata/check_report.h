// The text `cardinfo check` prints for a file the editor can load.
#pragma once

#include <string>

#include "card/card_file.h"

// Lines naming what a save would change in a loadable file with `cardCount`
// cards, or saying that a save writes the file unchanged.
std::string describeNotes(const char* path, int cardCount, const FileNotes& notes);

// The one-line description of a file that cannot be loaded, without the
// trailing newline: "PATH: byte OFFSET: WHAT".
std::string describeProblem(const char* path, const FileProblem& problem);
