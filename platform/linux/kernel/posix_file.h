// POSIX file helpers shared by the file calls and the settings store: system
// calls retried on EINTR, the real place of a path behind its links, and the
// replacement of a whole small file through a private file beside it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// open(2), retried while a signal interrupts it. Always non-blocking, so that
// opening a FIFO or a device never waits for a peer.
int openRetrying(const char* path, int flags, mode_t mode = 0);

// Writes all `size` bytes; false (errno set) on an error or a zero count.
bool writeAll(int fd, const void* data, std::size_t size);

// fsync(2), retried while a signal interrupts it.
int syncRetrying(int fd);

// The folder part of `path` ("." when it has none, "/" for the root).
std::string folderOf(const std::string& path);

// Follows the symbolic links of `path` to the name where the file really
// lives, each relative link read relative to its own folder, at most
// MaxLinkHops links. The last name of the chain may be missing (a link to a
// file not yet made). False with errno (ELOOP, ENAMETOOLONG, ...) otherwise.
constexpr int MaxLinkHops = 40;
bool resolveLinks(const std::string& path, std::string& real);

// Flushes the folder holding `path`, so that a rename in it is on the disk.
int syncFolderOf(const std::string& path);

// Gives the open file `fd` the owner, group, mode and access list of the
// file `old` open as `oldFd`, so that a replacement is no more widely
// readable than what it replaces. False with errno (EPERM when the owner or
// group cannot be kept by this process).
struct stat;
bool copyIdentity(int oldFd, const struct stat& old, int fd);

// Replaces the regular file at `file` (after its links) with `content`: a
// private file .NAME.XXXXXX beside it, written in full, flushed, given the old
// file's owner, group and mode, then renamed over it. A missing file is
// created with `newMode` (less the umask). Anything but a regular file is
// refused, and on any failure the old file is as it was. False with errno.
bool replaceFileContent(const std::string& file, const std::string& content, mode_t newMode);
