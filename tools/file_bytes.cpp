#include "tools/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool readFileBytes(const char* path, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        error = std::string("cannot be read: ") + std::strerror(readErrno);
        return false;
    }
    return true;
}
