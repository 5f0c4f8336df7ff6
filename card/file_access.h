// The file system as the card file meets it, in the platform's calls: reads
// of regular files, checked writes, the place where a save really lands, the private
// temporary file beside it and the replacement of the old file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "card/card_file.h"
#include "platform/win32.h"

// Reports the failed `action` with the platform's last error, named.
void setSystemProblem(FileProblem* problem, std::size_t offset, const char* action);

// Opens the regular file at `path` (exclusively) for reading and gives its
// size. Anything but a regular file (a FIFO, a device, a folder) is refused at
// once, without waiting on it. The caller reads and closes the handle.
// Returns INVALID_HANDLE_VALUE with the reason in `problem`.
HANDLE openRegularFile(const char* path, std::size_t& size, FileProblem* problem);

// Reads up to `count` bytes from the open file's position into `into`, in
// pieces; `got` says how many came before the file ended. Returns 0 with the
// reason (at file offset `offset` plus what was read) when a read fails.
int readUpTo(HANDLE file, std::uint8_t* into, std::size_t count, std::size_t offset, std::size_t& got,
             FileProblem* problem);

// Writes `count` bytes at the open file's position, in pieces, which belong
// at file offset `offset`. Returns 0 with the reason when a write fails or
// writes fewer bytes than asked.
int writeAll(HANDLE file, const std::uint8_t* bytes, std::size_t count, std::size_t offset,
             FileProblem* problem);

// The regular file at `path` opened as openRegularFile does, read whole into
// `bytes`; a file larger than `limit` is refused unread. Returns 0 with the
// reason in `problem`.
int readRegularFile(const char* path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                    FileProblem* problem);

// Where a save to a path lands: the file itself, behind any links, so that a
// link stays a link and the file it names gets the cards.
struct SaveTarget {
    char path[MAX_PATH];  // the real file
    bool exists;          // false: the save makes a new file at `path`
    bool placeholder;     // an empty file made where a link pointed at nothing; removed if the save fails
    DWORD attributes;     // the hidden, system and archive attributes it has
};

// Finds the save target of `path` and checks that it may be replaced: a
// regular file with one name, not read-only, writable by this user. A link
// to a missing file in an existing folder gets that file. Returns 0 with the
// reason otherwise, and nothing changed.
int findSaveTarget(const char* path, SaveTarget& target, FileProblem* problem);

// Creates a new, exclusively opened file with a random hidden name beside
// `path` (.NAME.XXXXXX) and the given attributes; its name goes to `tempPath`.
HANDLE createTempBeside(const char* path, DWORD attributes, char (&tempPath)[MAX_PATH], FileProblem* problem);

// Puts the finished temporary file in the target's place, keeping the old
// file's attributes, owner and permissions; waits briefly while another
// program holds the target. On failure `keepTemp` says the temporary file
// holds the only copy of the new cards (the message says where).
int replaceTarget(const char* tempPath, const SaveTarget& target, bool& keepTemp, FileProblem* problem);

// Removes a file this save made; when that fails, says so in `problem`.
void removeMadeFile(const char* path, const char* what, FileProblem* problem);

// True when `a` and `b` both name one existing file (the same volume and
// file index), whatever names and links lead to it.
bool sameFile(const char* a, const char* b);

// Writes a new file in place of the one `path` names, as a card file's save
// does: behind any links, into a private temporary file beside it that
// `write` fills (every write checked), flushed, closed and only then put in
// the old file's place, keeping its attributes, owner and permissions.
// Returns 0 with the reason, the old file as it was and no temporary file
// left behind.
int replaceFileWith(const char* path, const std::function<int(HANDLE, FileProblem*)>& write,
                    FileProblem* problem);

// `bytes` as the whole new content of the file `path` names, as above.
int saveBytesFile(const char* path, const std::vector<std::uint8_t>& bytes, FileProblem* problem);
