// What the benchmarks share: the median of each benchmark's runs, and a run
// of every registered benchmark repeated in a random interleaving, so that a
// slow spell of the machine falls on every benchmark alike.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// A run's processor time in ms where the benchmark measures another process
// (its user and system time); without it, the run's own processor time.
constexpr const char* ChildCpuCounter = "child_cpu_ms";

// The console report, keeping each run's real and processor time by
// benchmark name for the ratios that a subclass prints in Finalize.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override;

  protected:
    double median(const std::string& name);     // real time in ms, 0 without runs
    double medianCpu(const std::string& name);  // processor time in ms
    std::size_t runCount(const std::string& name);

  private:
    std::map<std::string, std::vector<double>> real_, cpu_;
};

// Runs the registered benchmarks with `args` (the program's name first), five
// repetitions in a random interleaving unless `args` say otherwise, after
// `prepare` (when given) has made what they read. Returns the program's exit
// status.
int runBenchmarks(std::vector<char*> args, benchmark::BenchmarkReporter& reporter,
                  void (*prepare)() = nullptr);
