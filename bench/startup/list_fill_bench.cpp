// The card list fill of start-up inside the process, on Qt's offscreen
// platform: the main window and its controls as the editor makes them, then
// 8192 names added to the sorted card list as the loader adds them. Beside it
// the whole loader (file read and fill) and the file read alone, the floor,
// so that the list's share of the start-up shows as a ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/startup/bench_cards.h"
#include "card/card_file.h"
#include "card/card_table.h"
#include "editor/card_io.h"
#include "editor/main_window.h"
#include "platform/win32.h"
#include "settings/data_file.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::map<std::string, double> medianSeconds;  // by benchmark, for the ratios at the end

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void emptyList() {
    SendMessageA(cardList, LB_RESETCONTENT, 0, 0);
}

// Every card of cardTable into cardList, as the loader adds them.
bool fillList() {
    SendMessageA(cardList, WM_SETREDRAW, FALSE, 0);
    bool filled = true;
    for (int slot = 0; slot < cardTable.slotCount && filled; ++slot) {
        LRESULT position =
            SendMessageA(cardList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(cardTable.slots[slot].name));
        filled = position >= 0;
        if (filled) SendMessageA(cardList, LB_SETITEMDATA, static_cast<WPARAM>(position), slot);
    }
    SendMessageA(cardList, WM_SETREDRAW, TRUE, 0);
    return filled;
}

// Times `step` alone in each iteration, after `prepare`; keeps the median
// under `name`.
template <typename Prepare, typename Step>
void timed(benchmark::State& state, const char* name, Prepare prepare, Step step) {
    std::vector<double> seconds;
    for (auto _ : state) {
        prepare();
        const Clock::time_point start = Clock::now();
        const char* failure = step();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (failure != nullptr) {
            state.SkipWithError(failure);
            break;
        }
        state.SetIterationTime(elapsed);
        seconds.push_back(elapsed);
    }
    medianSeconds[name] = median(seconds);
    state.counters["median_ms"] = median(seconds) * 1e3;
}

void fileLoad(benchmark::State& state) {
    timed(
        state, "card_file_load", [] {},
        []() -> const char* {
            FileProblem problem;
            return loadCardFile(dataFilePath, cardTable, &problem) ? nullptr : "the card file does not load";
        });
}

void listFill(benchmark::State& state) {
    FileProblem problem;
    if (!loadCardFile(dataFilePath, cardTable, &problem)) state.SkipWithError(problem.what);
    timed(state, "card_list_fill", emptyList,
          []() -> const char* { return fillList() ? nullptr : "LB_ADDSTRING failed"; });
    if (SendMessageA(cardList, LB_GETCOUNT, 0, 0) != cardTable.slotCount)
        state.SkipWithError("the list does not hold every card");
    state.counters["names"] = cardTable.slotCount;
    emptyList();
}

void loadCardsWhole(benchmark::State& state) {
    timed(
        state, "load_cards",
        [] {
            emptyList();
            clearCardTable(cardTable);
        },
        []() -> const char* { return loadCards() ? nullptr : "loadCards failed"; });
    emptyList();
}

// The floor first, so that the others can be set against it.
BENCHMARK(fileLoad)->Name("card_file_load")->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(listFill)->Name("card_list_fill")->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(loadCardsWhole)->Name("load_cards")->Unit(benchmark::kMillisecond)->UseManualTime();

void printRatio(const char* name) {
    const double floor = medianSeconds["card_file_load"];
    const auto found = medianSeconds.find(name);
    if (floor > 0 && found != medianSeconds.end())
        std::printf("%s / card_file_load: %.1f\n", name, found->second / floor);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const fs::path folder = fs::temp_directory_path() / ("cardloom-list-fill-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "cardinfo.dat").string();
    std::string problem = writeBenchCardFile(path, MaxCards);
    if (problem.empty() && !copyField(dataFilePath, sizeof dataFilePath, path.c_str()))
        problem = "temporary path too long";
    if (problem.empty()) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        if (!initMainWindow(instance) || !createControls(instance)) problem = "cannot create the main window";
    }
    if (problem.empty()) {
        benchmark::RunSpecifiedBenchmarks();
        printRatio("card_list_fill");
        printRatio("load_cards");
    } else {
        std::fprintf(stderr, "list_fill_bench: %s\n", problem.c_str());
    }
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return problem.empty() ? 0 : 1;
}
