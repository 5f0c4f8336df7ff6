#include "bench/bench_run.h"

#include <algorithm>
#include <cstring>

namespace {

double middleOf(std::vector<double>& all) {
    if (all.empty()) return 0;
    std::sort(all.begin(), all.end());
    const std::size_t middle = all.size() / 2;
    return all.size() % 2 ? all[middle] : (all[middle - 1] + all[middle]) / 2;
}

}  // namespace

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        const std::string& name = run.run_name.function_name;
        real_[name].push_back(run.GetAdjustedRealTime());
        const auto child = run.counters.find(ChildCpuCounter);
        cpu_[name].push_back(child != run.counters.end() ? child->second.value : run.GetAdjustedCPUTime());
    }
}

double MedianReporter::median(const std::string& name) {
    return middleOf(real_[name]);
}

double MedianReporter::medianCpu(const std::string& name) {
    return middleOf(cpu_[name]);
}

std::size_t MedianReporter::runCount(const std::string& name) {
    return real_[name].size();
}

int runBenchmarks(std::vector<char*> args, benchmark::BenchmarkReporter& reporter, void (*prepare)()) {
    char repetitions[] = "--benchmark_repetitions=5";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    for (char* option : {repetitions, interleaving}) {
        const std::size_t nameLength = static_cast<std::size_t>(std::strchr(option, '=') - option);
        const bool named = std::any_of(args.begin(), args.end(), [&](const char* arg) {
            return std::strncmp(arg, option, nameLength) == 0;
        });
        if (!named) args.insert(args.begin() + 1, option);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    if (prepare) prepare();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
