// Whole-file reads for the command-line tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole regular file `name` (a name as the card core takes it) into
// `bytes`. Returns false with a short reason in `error` when it cannot be
// opened or read to its end, is not a regular file, or is larger than `limit`
// bytes.
bool readFileBytes(const char* name, std::size_t limit, std::vector<std::uint8_t>& bytes, std::string& error);
