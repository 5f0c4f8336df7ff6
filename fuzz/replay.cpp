// Runs the fuzz target over saved inputs without libFuzzer, so that every
// build (including Windows and the sanitizer build) replays the regression
// corpus. Arguments are files or folders; a folder's files run in name order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

bool replayFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i], error))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.emplace_back(argv[i]);
        }
        if (error) {
            std::fprintf(stderr, "replay: %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fputs("replay: no inputs\n", stderr);
        return 1;
    }
    for (const fs::path& file : files) {
        if (!replayFile(file)) {
            std::fprintf(stderr, "replay: %s: cannot be read\n", file.string().c_str());
            return 1;
        }
    }
    std::fputs(("replay: " + std::to_string(files.size()) + " inputs\n").c_str(), stdout);
    return 0;
}
