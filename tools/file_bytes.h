// Whole-file reads for the command-line tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file at `path` into `bytes`. Returns false with a short
// reason in `error` when it cannot be opened or read to its end.
bool readFileBytes(const char* path, std::vector<std::uint8_t>& bytes, std::string& error);
