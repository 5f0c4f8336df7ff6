// Start-up of the built editor as a whole process on an X display: launch to
// the first paint of its maximised window, with the full database of 8192
// cards beside the same with an empty database (the floor: everything but
// the cards), in the same run. Each launch is ended through its window and
// reaped for its peak memory. Without $DISPLAY a private Xvfb is started and
// stopped again at the end. The ratio full / empty has a limit (Limit).
//
// The run says which mode of the kernel's transparent huge pages it ran in.
// Where it may change the mode (as root), it measures in "madvise" and in
// "never" one after the other and puts the mode back at the end.
//
//   startup_bench [benchmark options] [--windows=cardloom.exe]
//
// --windows measures the Windows build under Wine instead, in a private Wine
// prefix made with scripts/wine-run.sh; the data file path goes into that
// prefix's registry before each database's launches.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/startup/bench_cards.h"
#include "bench/startup/first_paint.h"
#include "card/card_table.h"
#include "cardloom_version.h"
#include "platform/win32.h"
#include "settings/data_file.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr double LaunchTimeout = 30.0;  // seconds to wait for one first paint
constexpr int Launches = 12;            // timed launches per database
// Full start-up above this times the floor has become slower: 1.16-1.26
// on an idle machine, plus a margin (with two cores shared by other builds a
// run gives anything from 0.8 to 2.4).
constexpr double Limit = 1.5;

struct Database {
    int cards;
    std::vector<std::string> environment;  // the editor's whole environment
    std::string path;                      // the data file
    fs::path configHome;                   // the Linux build's settings folder (XDG_CONFIG_HOME)
};

struct Run {
    std::vector<std::string> editor;  // the command that starts the editor
    fs::path winePrefix;              // the Windows build under Wine: its prefix; empty otherwise
    fs::path folder;
    pid_t xvfb = 0;                   // a private Xvfb, started when $DISPLAY is empty
    std::FILE* xvfbHelper = nullptr;  // scripts/xvfb.sh, which waits for it
    PaintWatcher* watcher = nullptr;
    std::map<int, Database> databases;                           // by card count
    std::vector<std::string> hugePages;                          // the huge page modes measured in, in order
    std::map<std::string, std::map<int, double>> medianSeconds;  // to the first paint, by mode and cards
    std::map<std::string, std::map<int, double>> medianSettledSeconds;  // to the settled window, likewise
};

Run run;

void fail(const std::string& why) {
    std::fprintf(stderr, "startup_bench: %s\n", why.c_str());
    std::exit(1);
}

// Starts a private Xvfb with the project's helper and points DISPLAY at it.
void startXvfb() {
    run.xvfbHelper = popen("bash '" CARDLOOM_SOURCE_DIR "/scripts/xvfb.sh'", "re");
    if (run.xvfbHelper == nullptr) fail("cannot run scripts/xvfb.sh");
    int display = -1;
    long pid = 0;
    if (std::fscanf(run.xvfbHelper, "%d %ld", &display, &pid) != 2 || pid <= 0) {
        pclose(run.xvfbHelper);
        fail("cannot start Xvfb");
    }
    run.xvfb = static_cast<pid_t>(pid);
    setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
}

// Stops the private Xvfb; the helper ends with it.
void stopXvfb() {
    if (run.xvfb == 0) return;
    kill(run.xvfb, SIGTERM);
    pclose(run.xvfbHelper);
    run.xvfb = 0;
}

// The current environment with the editor's settings folder and the X
// platform (for Wine: its prefix, quiet, without the .NET and HTML engines as
// scripts/wine-run.sh runs it); the settings point at the database so that no
// dialog shows.
std::vector<std::string> editorEnvironment(const fs::path& configHome) {
    const char* const replaced[] = {
        "XDG_CONFIG_HOME=", "QT_QPA_PLATFORM=", "WINEPREFIX=", "WINEDEBUG=", "WINEDLLOVERRIDES="};
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool keep = true;
        for (const char* name : replaced) keep = keep && text.rfind(name, 0) != 0;
        if (keep) environment.push_back(text);
    }
    environment.push_back("XDG_CONFIG_HOME=" + configHome.string());
    environment.push_back("QT_QPA_PLATFORM=xcb");
    if (!run.winePrefix.empty()) {
        environment.push_back("WINEPREFIX=" + run.winePrefix.string());
        environment.push_back("WINEDEBUG=-all");
        environment.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
    }
    return environment;
}

// Runs a helper command to its end with its output discarded; its exit status.
int runQuietly(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Points the editor's remembered data file path at the database, where the
// editor looks at start-up: under Wine the one registry value of the prefix;
// for the Linux build the settings file of the database's own settings
// folder, stored through the layer's registry calls as the editor stores it.
void useDatabase(const Database& database) {
    if (!run.winePrefix.empty()) {
        std::string windowsPath = "Z:" + database.path;
        std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
        const std::vector<std::string> command = {
            "wine", "reg",       "add", std::string("HKCU\\") + SettingsKeyPath, "/v", SettingsValueName,
            "/d",   windowsPath, "/f"};
        if (runQuietly(command, database.environment) != 0)
            fail("cannot set the data file path in the Wine registry");
        return;
    }
    // The layer finds the settings folder through XDG_CONFIG_HOME, as in the
    // editor's environment.
    const char* own = std::getenv("XDG_CONFIG_HOME");
    const std::string ownConfig = own != nullptr ? own : "";
    setenv("XDG_CONFIG_HOME", database.configHome.c_str(), 1);
    HKEY key = nullptr;
    const bool stored = RegCreateKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) == ERROR_SUCCESS &&
                        RegSetValueExA(key, SettingsValueName, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(database.path.c_str()),
                                       static_cast<DWORD>(database.path.size() + 1)) == ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    if (own != nullptr)
        setenv("XDG_CONFIG_HOME", ownConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (!stored) fail("cannot store the data file path in " + database.configHome.string());
}

void prepareDatabase(int cards) {
    const fs::path configHome = run.folder / ("config-" + std::to_string(cards));
    const fs::path dataFile = run.folder / ("cards-" + std::to_string(cards) + ".dat");
    const std::string problem = writeBenchCardFile(dataFile.string(), cards);
    if (!problem.empty()) fail(problem);
    run.databases[cards] = Database{cards, editorEnvironment(configHome), dataFile.string(), configHome};
}

const char* const HugePageSetting = "/sys/kernel/mm/transparent_hugepage/enabled";
std::string originalHugePages;  // the mode found at the start, put back at the end

// The kernel's transparent huge page mode (the bracketed word), or "unknown".
std::string hugePageMode() {
    std::string line;
    std::getline(std::ifstream(HugePageSetting), line);
    const std::size_t open = line.find('['), close = line.find(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return "unknown";
    return line.substr(open + 1, close - open - 1);
}

bool setHugePageMode(const std::string& mode) {
    std::ofstream(HugePageSetting) << mode << "\n";
    return hugePageMode() == mode;
}

void restoreHugePages() {
    if (!originalHugePages.empty() && hugePageMode() != originalHugePages) setHugePageMode(originalHugePages);
}

// The modes to measure in: "madvise" and "never" where the mode can be
// changed, otherwise the one the machine has.
std::vector<std::string> hugePageModes() {
    originalHugePages = hugePageMode();
    if (originalHugePages == "unknown" || access(HugePageSetting, W_OK) != 0) return {originalHugePages};
    std::atexit(restoreHugePages);
    return {"madvise", "never"};
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Launches in huge page mode run.hugePages[state.range(0)] with the database
// of state.range(1) cards.
void startup(benchmark::State& state) {
    const std::string& mode = run.hugePages.at(static_cast<std::size_t>(state.range(0)));
    const int cards = static_cast<int>(state.range(1));
    const Database& database = run.databases.at(cards);
    if (mode != hugePageMode() && !setHugePageMode(mode)) {
        state.SkipWithError("cannot set the transparent huge page mode");
        return;
    }
    std::vector<double> seconds;
    std::vector<double> firstDamage;
    std::vector<double> settled;
    long peakKiB = 0;
    useDatabase(database);
    for (auto _ : state) {
        LaunchResult launched = run.watcher->launch(run.editor, database.environment, LaunchTimeout);
        if (!launched.error.empty()) {
            state.SkipWithError(launched.error.c_str());
            break;
        }
        state.SetIterationTime(launched.secondsToPaint);
        seconds.push_back(launched.secondsToPaint);
        firstDamage.push_back(launched.secondsToFirstDamage);
        settled.push_back(launched.secondsToSettle);
        peakKiB = std::max(peakKiB, launched.peakKiB);
    }
    const double middle = median(seconds);
    std::map<int, double>& medians = run.medianSeconds[mode];
    medians[cards] = middle;
    run.medianSettledSeconds[mode][cards] = median(settled);
    state.counters["median_ms"] = middle * 1e3;
    state.counters["first_draw_ms"] = median(firstDamage) * 1e3;
    state.counters["settled_ms"] = median(settled) * 1e3;
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    if (cards > 0 && medians.count(0) && medians[0] > 0)
        state.counters["ratio_to_empty"] = middle / medians[0];
}

// One benchmark per huge page mode, each with the floor first so that the
// full run can report its ratio.
void registerStartups() {
    for (std::size_t i = 0; i < run.hugePages.size(); ++i) {
        const std::string name = run.hugePages.size() > 1
                                     ? "startup_to_first_paint/huge_pages_" + run.hugePages[i]
                                     : "startup_to_first_paint";
        benchmark::RegisterBenchmark(name.c_str(), startup)
            ->ArgNames({"mode", "cards"})
            ->Args({static_cast<long>(i), 0})
            ->Args({static_cast<long>(i), MaxCards})
            ->Iterations(Launches)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

void reportRatios() {
    for (const std::string& mode : run.hugePages) {
        std::map<int, double>& medians = run.medianSeconds[mode];
        std::map<int, double>& settled = run.medianSettledSeconds[mode];
        if (!medians.count(0) || !medians.count(MaxCards) || medians[0] <= 0 || settled[0] <= 0) continue;
        const double ratio = medians[MaxCards] / medians[0];
        std::printf(
            "start-up with %d cards / empty database, huge pages %s: %.2f (%.1f ms / %.1f ms, limit "
            "%.1f)%s\n",
            MaxCards, mode.c_str(), ratio, medians[MaxCards] * 1e3, medians[0] * 1e3, Limit,
            ratio <= Limit ? "" : "  ABOVE LIMIT");
        std::printf("settled window with %d cards / empty database, huge pages %s: %.2f\n", MaxCards,
                    mode.c_str(), settled[MaxCards] / settled[0]);
    }
}

}  // namespace

// Takes --windows=EXE out of the arguments: the editor to launch.
void chooseEditor(int& argc, char** argv) {
    const std::string option = "--windows=";
    run.editor = {CARDLOOM_EDITOR};
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind(option, 0) == 0)
            run.editor = {"wine", fs::absolute(argument.substr(option.size())).string()};
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

// A private Wine prefix, made and readied (services started) by the project's
// Wine runner before anything is timed.
void prepareWine() {
    run.winePrefix = run.folder / "wineprefix";
    std::vector<std::string> environment = editorEnvironment(run.folder);
    if (runQuietly({CARDLOOM_SOURCE_DIR "/scripts/wine-run.sh", "--prepare"}, environment) != 0)
        fail("cannot make a Wine prefix with scripts/wine-run.sh --prepare");
}

void stopWine() {
    if (!run.winePrefix.empty()) runQuietly({"wineserver", "-k"}, editorEnvironment(run.folder));
}

int main(int argc, char** argv) {
    run.hugePages = hugePageModes();
    registerStartups();
    benchmark::Initialize(&argc, argv);
    chooseEditor(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') startXvfb();
    run.folder = fs::temp_directory_path() / ("cardloom-startup-" + std::to_string(getpid()));
    fs::create_directories(run.folder);
    if (run.editor.size() > 1) prepareWine();
    prepareDatabase(0);
    prepareDatabase(MaxCards);

    int status = 0;
    {  // the watcher disconnects before a private Xvfb is stopped
        PaintWatcher watcher(CARDLOOM_WINDOW_TITLE);
        if (watcher.problem().empty()) {
            run.watcher = &watcher;
            std::printf("transparent huge pages: %s (measured in: ", originalHugePages.c_str());
            for (const std::string& mode : run.hugePages) std::printf(" %s", mode.c_str());
            std::printf(")\n");
            // One untimed launch of each: the first start of a program fills caches
            // (fonts, shared libraries) that every later start finds warm.
            for (const auto& [cards, database] : run.databases) {
                useDatabase(database);
                LaunchResult warm = watcher.launch(run.editor, database.environment, LaunchTimeout);
                if (!warm.error.empty()) {
                    std::fprintf(stderr, "startup_bench: warm-up with %d cards: %s\n", cards,
                                 warm.error.c_str());
                    status = 1;
                } else {
                    std::printf("warm-up with %d cards: first paint of a %dx%d window\n", cards,
                                warm.paintWidth, warm.paintHeight);
                }
            }
            if (status == 0) benchmark::RunSpecifiedBenchmarks();
            reportRatios();
            restoreHugePages();
        } else {
            std::fprintf(stderr, "startup_bench: %s\n", watcher.problem().c_str());
            status = 1;
        }
    }
    benchmark::Shutdown();
    stopWine();
    std::error_code ignored;
    fs::remove_all(run.folder, ignored);
    stopXvfb();
    return status;
}
