// Load and save of the largest card file the format can hold (8192 cards,
// text blocks filling the index position's 24 bits), each measured beside
// its floor in the same run: reading the same bytes whole into memory, and
// writing them to a new file flushed and renamed into place as a save does.
// The run ends with the two ratios of the medians over the repetitions (five
// unless --benchmark_repetitions says otherwise); the targets are load <= 1.5 x
// floor and save <= 1.2 x floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "card/card_table.h"

namespace fs = std::filesystem;

namespace {

struct BenchFiles {
    std::unique_ptr<CardTable> source = std::make_unique<CardTable>();  // the cards every save writes
    std::unique_ptr<CardTable> loaded = std::make_unique<CardTable>();  // where every load reads to
    std::vector<std::uint8_t> image;                                    // the encoded file
    fs::path folder;
    std::string loadPath;
    std::string savePath;
};

// Lengths of type, cost, pt, text and comment for a text block of `size`
// bytes (2048 or 2047).
void blockLengths(int size, int (&lengths)[5]) {
    const int fixed[4] = {TypeWidth - 1, CostWidth - 1, PtWidth - 1, TextWidth - 1};
    int rest = size - 10;
    for (int i = 0; i < 4; ++i) rest -= (lengths[i] = fixed[i]);
    lengths[4] = rest;
}

// Printable text with a CR LF now and then, as card text has.
void fillText(char* field, int length, std::mt19937& random) {
    for (int i = 0; i < length; ++i) field[i] = static_cast<char>('a' + random() % 26);
    for (int i = 40; i + 1 < length; i += 97) field[i] = '\r', field[i + 1] = '\n';
    field[length] = '\0';
}

// 8192 cards whose text blocks add up to 16,777,211 bytes, so that the index
// position is exactly 16,777,215; names and editions at full width.
void buildLargestTable(CardTable& table) {
    const std::uint32_t blockBytes = MaxFourByteValue - 4;
    const int shortBlocks = MaxCards * 2048 - static_cast<int>(blockBytes);  // blocks of 2047 bytes
    std::mt19937 random(7);
    for (int slot = 0; slot < MaxCards; ++slot) {
        CardRecord& card = table.slots[slot];
        int lengths[5];
        blockLengths(slot < shortBlocks ? 2047 : 2048, lengths);
        char* fields[5] = {card.type, card.cost, card.pt, card.text, card.comment};
        for (int i = 0; i < 5; ++i) fillText(fields[i], lengths[i], random);
        fillText(card.name, NameWidth - 1, random);
        fillText(card.edition, EditionWidth - 1, random);
        card.colours = slot & 0xFF;
        card.active = 1;
    }
    table.slotCount = MaxCards;
}

BenchFiles& files() {
    static BenchFiles* shared = [] {
        auto* f = new BenchFiles;
        buildLargestTable(*f->source);
        FileProblem problem;
        if (!encodeCards(*f->source, f->image, &problem)) {
            std::fprintf(stderr, "bench: cannot encode the largest table: %s\n", problem.what);
            std::exit(1);
        }
        f->folder = fs::temp_directory_path() / ("cardloom-bench-" + std::to_string(getpid()));
        fs::create_directories(f->folder);
        f->loadPath = (f->folder / "load.dat").string();
        f->savePath = (f->folder / "save.dat").string();
        if (!saveCardFile(f->loadPath.c_str(), *f->source, &problem)) {
            std::fprintf(stderr, "bench: cannot write %s: %s\n", f->loadPath.c_str(), problem.what);
            std::exit(1);
        }
        return f;
    }();
    return *shared;
}

void readFloor(benchmark::State& state) {
    BenchFiles& f = files();
    for (auto _ : state) {
        const int fd = open(f.loadPath.c_str(), O_RDONLY);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0) state.SkipWithError("cannot open the file");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        ssize_t n = 0;
        while (got < bytes.size() && (n = read(fd, bytes.data() + got, bytes.size() - got)) > 0) got += n;
        close(fd);
        if (got != bytes.size()) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.image.size()));
}

void load(benchmark::State& state) {
    BenchFiles& f = files();
    for (auto _ : state) {
        // Into an empty table, as the editor loads at start-up.
        state.PauseTiming();
        clearCardTable(*f.loaded);
        state.ResumeTiming();
        FileProblem problem;
        if (!loadCardFile(f.loadPath.c_str(), *f.loaded, &problem)) state.SkipWithError(problem.what);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.image.size()));
}

void writeFloor(benchmark::State& state) {
    BenchFiles& f = files();
    const std::string temp = f.savePath + ".tmp";
    for (auto _ : state) {
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        std::size_t done = 0;
        ssize_t n = 0;
        while (fd >= 0 && done < f.image.size() &&
               (n = write(fd, f.image.data() + done, f.image.size() - done)) > 0)
            done += n;
        const bool ok = fd >= 0 && done == f.image.size() && fsync(fd) == 0;
        if (fd >= 0) close(fd);
        if (!ok || rename(temp.c_str(), f.savePath.c_str()) != 0)
            state.SkipWithError("cannot write the file");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.image.size()));
}

void save(benchmark::State& state) {
    BenchFiles& f = files();
    for (auto _ : state) {
        FileProblem problem;
        if (!saveCardFile(f.savePath.c_str(), *f.source, &problem)) state.SkipWithError(problem.what);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.image.size()));
}

BENCHMARK(readFloor)->Name("read_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(load)->Name("load")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(writeFloor)->Name("write_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(save)->Name("save")->UseRealTime()->Unit(benchmark::kMillisecond);

// The console report, followed by the median times and their ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        printRatio("load / read floor", "load", "read_floor", 1.5);
        printRatio("save / write floor", "save", "write_floor", 1.2);
    }

  private:
    double median(const std::string& name) {
        std::vector<double>& all = times[name];
        if (all.empty()) return 0;
        std::sort(all.begin(), all.end());
        const std::size_t middle = all.size() / 2;
        return all.size() % 2 ? all[middle] : (all[middle - 1] + all[middle]) / 2;
    }
    void printRatio(const char* label, const char* measured, const char* floor, double target) {
        const double top = median(measured), bottom = median(floor);
        if (top <= 0 || bottom <= 0) return;
        const double ratio = top / bottom;
        std::printf("%s: %.2f (%.2f ms / %.2f ms, medians of %zu; target <= %.1f)%s\n", label, ratio, top,
                    bottom, times[measured].size(), target, ratio <= target ? "" : "  ABOVE TARGET");
    }
    std::map<std::string, std::vector<double>> times;  // real time per run, in ms
};

}  // namespace

int main(int argc, char** argv) {
    // Five repetitions unless the command line names another number.
    std::vector<char*> args(argv, argv + argc);
    char fiveRepetitions[] = "--benchmark_repetitions=5";
    const bool named = std::any_of(args.begin(), args.end(), [](const char* arg) {
        return std::strncmp(arg, "--benchmark_repetitions", 23) == 0;
    });
    if (!named) args.insert(args.begin() + 1, fiveRepetitions);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(files().folder, ignored);
    return 0;
}
