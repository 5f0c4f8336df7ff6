// Runs a program to its end with stdout and stderr captured in files.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;  // -1 when it could not be started or did not exit normally
    std::string out;    // everything written to stdout, byte for byte
    std::string err;    // everything written to stderr
};

// Runs `program` with `args`; `scratch` names a folder for the capture files.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& scratch);

// The whole content of a file, or an empty string when it cannot be read.
std::string readWholeFile(const std::string& path);
