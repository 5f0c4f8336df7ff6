// Load and save of the largest card file the format can hold (8192 cards,
// text blocks filling the index position's 24 bits), each measured beside
// its floor in the same run: reading the same bytes whole into memory, and
// writing them to a new file flushed and renamed into place as a save does.
// And `cardinfo merge` of a 300-card set into a full database of cards of
// the usual size, beside a load and a save of that database.
// The run ends with the ratios of the medians over the repetitions (five
// unless --benchmark_repetitions says otherwise), each against its floor and
// its limit (Ratios).
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

#include <nlohmann/json.hpp>

#include "bench/bench_run.h"
#include "card/card_codec.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "carddata/card_input.h"
#include "carddata/card_merge.h"

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

// The merge's database: the largest card file as above, its editions short
// enough to gain one. Its set: an MTGJSON set file of 300 cards as the source
// writes them, with keys cardinfo does not read, each a reprint of a card
// spread through the database (which has no room for a new one), so that the
// merge rewrites 300 cards.
struct MergeFiles {
    TablePtr db = emptyTable();   // where the database loads
    TablePtr set = emptyTable();  // where the set file is read
    std::string dbPath;
    std::string setPath;
    std::string outPath;
};

constexpr int SetCards = 300;

nlohmann::ordered_json setCard(const CardRecord& card, int number) {
    nlohmann::ordered_json entry;
    entry["artist"] = "Rhea Ostrander";
    entry["availability"] = {"mtgo", "paper"};
    entry["borderColor"] = "black";
    entry["colorIdentity"] = {"G"};
    entry["colors"] = {"G"};
    entry["finishes"] = {"nonfoil", "foil"};
    entry["flavorText"] = "The roots remember every storm the canopy forgets.";
    entry["frameVersion"] = "2015";
    entry["identifiers"] = {{"cardKingdomId", "283911"},
                            {"mcmId", "712044"},
                            {"mtgjsonV4Id", "0b1e2d3c-4f5a-5b6c-8d7e-9f0a1b2c3d4e"},
                            {"multiverseId", "612345"},
                            {"scryfallId", "7a8b9c0d-1e2f-4a3b-8c4d-5e6f7a8b9c0d"},
                            {"scryfallOracleId", "1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d"},
                            {"tcgplayerProductId", "498213"}};
    entry["keywords"] = {"Trample"};
    entry["language"] = "English";
    entry["layout"] = "normal";
    nlohmann::ordered_json legalities;
    for (const char* format :
         {"commander", "duel", "legacy", "modern", "oathbreaker", "pauper", "pioneer", "standard", "vintage"})
        legalities[format] = "Legal";
    entry["legalities"] = legalities;
    entry["manaCost"] = "{3}{G}{G}";
    entry["manaValue"] = 5.0;
    entry["name"] = card.name;
    entry["number"] = std::to_string(number);
    entry["power"] = "5";
    entry["printings"] = {"TCR", "ZNR", "M21"};
    entry["rarity"] = number % 10 ? "common" : "rare";
    entry["setCode"] = "TCR";
    entry["subtypes"] = {"Beast"};
    entry["supertypes"] = nlohmann::ordered_json::array();
    entry["text"] = "Trample\nWhen this creature enters the battlefield, you gain 3 life.";
    entry["toughness"] = "4";
    entry["type"] = "Creature \u2014 Beast";
    entry["types"] = {"Creature"};
    entry["uuid"] = "5c9f3e1a-7b2d-5e4f-9a8b-" + std::to_string(100000000000 + number);
    return entry;
}

MergeFiles& mergeFiles() {
    static MergeFiles* shared = [] {
        auto* f = new MergeFiles;
        const BenchFiles& base = files();  // makes the folder
        f->dbPath = (base.folder / "merge-db.dat").string();
        f->setPath = (base.folder / "set.json").string();
        f->outPath = (base.folder / "merged.dat").string();
        copyTable(*base.source, *f->db);
        for (int slot = 0; slot < MaxCards; ++slot)
            copyField(f->db->slots[slot].edition, EditionWidth, "4E-C, 5E-C");
        FileProblem problem;
        if (!saveCardFile(f->dbPath.c_str(), *f->db, &problem)) {
            std::fprintf(stderr, "bench: cannot write %s: %s\n", f->dbPath.c_str(), problem.what);
            std::exit(1);
        }
        nlohmann::ordered_json cards = nlohmann::ordered_json::array();
        for (int i = 0; i < SetCards; ++i)
            cards.push_back(setCard(f->db->slots[i * (MaxCards / SetCards)], i + 1));
        nlohmann::ordered_json set;
        set["meta"] = {{"date", "2024-05-17"}, {"version", "5.2.2+20240517"}};
        set["data"] = {
            {"baseSetSize", SetCards}, {"cards", cards}, {"code", "TCR"}, {"name", "Tidecaller's Reach"}};
        const std::string text = set.dump(2);
        std::FILE* out = std::fopen(f->setPath.c_str(), "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
            std::fprintf(stderr, "bench: cannot write %s\n", f->setPath.c_str());
            std::exit(1);
        }
        std::printf("merge: a set file of %zu bytes into a database of %ju bytes\n", text.size(),
                    static_cast<std::uintmax_t>(fs::file_size(f->dbPath)));
        return f;
    }();
    return *shared;
}

// The floor of a merge: the database loaded into an empty table and saved.
void loadSave(benchmark::State& state) {
    const MergeFiles& f = mergeFiles();
    for (auto _ : state) {
        state.PauseTiming();
        clearCardTable(*f.db);
        state.ResumeTiming();
        FileProblem problem;
        if (!loadCardFile(f.dbPath.c_str(), *f.db, &problem) ||
            !saveCardFile(f.outPath.c_str(), *f.db, &problem))
            state.SkipWithError(problem.what);
    }
}

// What `cardinfo merge --code XX DB SET` does, from two empty tables, but
// saving beside DB.
void merge(benchmark::State& state) {
    const MergeFiles& f = mergeFiles();
    for (auto _ : state) {
        state.PauseTiming();
        clearCardTable(*f.db);
        clearCardTable(*f.set);
        state.ResumeTiming();
        FileProblem problem;
        if (!loadCardFile(f.dbPath.c_str(), *f.db, &problem)) state.SkipWithError(problem.what);
        ImportReport report;
        MergeCounts counts;
        std::string error;
        if (readInput(f.setPath.c_str(), f.setPath, "XX", *f.set, report, error) != InputResult::Read ||
            !mergeCards(*f.db, *f.set, counts, error) || counts.changed != SetCards)
            state.SkipWithError(error.empty() ? "not every card of the set merged" : error.c_str());
        if (!saveCardFile(f.outPath.c_str(), *f.db, &problem)) state.SkipWithError(problem.what);
    }
}

BENCHMARK(readFloor)->Name("read_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(load)->Name("load")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(writeFloor)->Name("write_floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(save)->Name("save")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(loadSave)->Name("load_save")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(merge)->Name("merge")->UseRealTime()->Unit(benchmark::kMillisecond);

// A ratio the run ends with: a benchmark's median over its floor's, and the
// limit above which the code has become slower. The floors cannot be reached:
// decoding and encoding the largest table (25.8 MB) cost more than reading
// and writing its bytes. The limits are today's ratios plus a margin: medians
// of six runs on two cores shared with other builds, and the ratios of an
// idle machine.
struct Ratio {
    const char* label;
    const char* measured;
    const char* floor;
    double limit;
};

const Ratio Ratios[] = {
    {"load / read floor", "load", "read_floor", 3.0},      // 1.55 shared (1.48-2.01), 2.45 idle
    {"save / write floor", "save", "write_floor", 2.0},    // 1.50 shared (1.32-1.84), 1.21 idle
    {"merge / load and save", "merge", "load_save", 1.6},  // 1.31 shared (1.12-1.38), 1.09 idle
};

// The console report, followed by the median times and their ratios.
class RatioReporter : public MedianReporter {
  public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const Ratio& ratio : Ratios) printRatio(ratio);
    }

  private:
    void printRatio(const Ratio& wanted) {
        const double top = median(wanted.measured), bottom = median(wanted.floor);
        if (top <= 0 || bottom <= 0) return;
        const double ratio = top / bottom;
        std::printf("%s: %.2f (%.2f ms / %.2f ms, medians of %zu; limit %.1f)%s\n", wanted.label, ratio, top,
                    bottom, runCount(wanted.measured), wanted.limit,
                    ratio <= wanted.limit ? "" : "  ABOVE LIMIT");
    }
};

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    const int status = runBenchmarks(std::vector<char*>(argv, argv + argc), reporter);
    std::error_code ignored;
    fs::remove_all(files().folder, ignored);
    return status;
}
