// The card data file as the program uses it: loading it into the card table
// and saving the table back.
#pragma once

#include <cstddef>

#include "card/card_table.h"

// Why a file could not be read or written. `offset` is the byte offset in the
// file where the problem lies (for encoding/saving failures it is the offset
// that would have been written, or 0).
struct FileProblem {
    std::size_t offset = 0;
    char what[480] = {};
};

// What a save would change in a loadable file: the reader ignores these, the
// writer normalises them.
struct FileNotes {
    int movedBlockOffsets = 0;         // stored block offsets unlike where a save puts the block
    int nonzeroFourthBytes = 0;        // four-byte integers whose fourth byte is not 0
    int nonzeroReservedBytes = 0;      // index entries whose two reserved bytes are not 0
    int caretPairs = 0;                // strings holding a "^^" pair
    int truncatedAtZero = 0;           // strings holding a zero byte (cut there on load)
    std::size_t trailingBytes = 0;     // bytes after the last index entry
    std::size_t unusedBlockBytes = 0;  // bytes between the last text block and the index position
};

// Reads the file at `path` (opened exclusively, and only when it is a regular
// file) into `table`: slot i = the i-th card, all active, slotCount = N; the
// slots from slotCount on must be zero, as the table keeps them. Returns 0
// when it cannot be opened or read, is not a regular file, or is damaged; the
// table is then exactly as it was. `notes`, when given, receives what a save
// would change.
int loadCardFile(const char* path, CardTable& table, FileProblem* problem, FileNotes* notes = nullptr);

// Writes the active cards of `table` to the file `path` names, behind any
// links, without ever destroying the old file: a private temporary file beside
// it, every write checked, flushed, then put in its place keeping its owner,
// permissions and attributes. A file that is not regular, has other names
// (hard links), is read-only or not writable by this user is refused. On
// success converts "^^" in memory and returns 1. On failure returns 0; the old
// file and the table are unchanged and no temporary file is left behind.
int saveCardFile(const char* path, CardTable& table, FileProblem* problem);
