#include "tools/file_bytes.h"

#include <cstring>

#include "card/file_access.h"

bool readFileBytes(const char* name, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
    FileProblem problem;
    // One byte past the limit tells a file that grew while it was read.
    if (!readRegularFile(name, limit + 1, Oversize::Refuse, bytes, &problem) || bytes.size() > limit) {
        error = problem.what[0] ? std::string(problem.what, strnlen(problem.what, sizeof problem.what))
                                : "the file is larger than " + std::to_string(limit >> 20) + " MiB";
        bytes.clear();
        return false;
    }
    return true;
}
