// Shared by the loading and saving tests: tables to save, the check that a
// failed save changed nothing, the kinds of path a save may meet, and what
// differs by platform (card_file_test_posix.cpp, card_file_test_win32.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_cards.h"

// A table with a "^^" pair, so that a save that wrongly touched memory shows.
std::unique_ptr<CardTable> tableToSave(int cards = 3);

// Cards filling well over a megabyte, so that a save writes many pieces, with
// "^^" in fields that are written late: in a text block past the first
// pieces, and in the name and edition of the last index entry.
std::unique_ptr<CardTable> largeTableToSave();

// Expects that a save to `path` fails and changes nothing.
void expectFailedSaveChangesNothing(const std::string& path, const std::filesystem::path& folder);

// A card file at `place`, its folders made.
void oldFileAt(const std::filesystem::path& place);

// A path to save to, built in a scratch folder, and where the cards must land.
struct Situation {
    const char* what;
    std::function<void(const std::filesystem::path& folder, std::filesystem::path& path,
                       std::filesystem::path& real)>
        build;
    bool saved;  // true: the cards land in `real`; false: refused, nothing changes
};

// ---- By platform -------------------------------------------------------------

// Holds a file the way another program would: exclusively, until destroyed.
class ForeignLock {
  public:
    explicit ForeignLock(const std::string& path);
    ~ForeignLock();
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;
    bool held() const { return held_; }

  private:
    std::intptr_t handle_;  // the platform's handle or file descriptor
    bool held_ = false;
};

// The name of a device that any program may open.
extern const char* const DeviceName;

// Situations only this platform has (links, FIFOs).
std::vector<Situation> platformSituations();

// Paths in `folder` made of kinds of file only this platform has, which a load
// must refuse at once (a FIFO without a writer).
std::vector<std::string> platformNonRegularFiles(const std::filesystem::path& folder);
