#pragma once
// bench/BenchSummary.h — the console reporter, keeping each run's rate for
// the summary lines a benchmark prints after its runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // Each repetition, or the median where only the aggregates are reported.
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            const bool counted = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (run.error_occurred || !counted || rate == run.counters.end()) continue;
            double& best = m_rates[run.run_name.str()];
            best = std::max(best, rate->second.value);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Items per second of the named run (its best repetition or its median);
    // 0 when it did not run.
    double Rate(const std::string& name) const {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }
    const std::map<std::string, double>& Rates() const { return m_rates; }

private:
    std::map<std::string, double> m_rates;
};

// "0.87" or "-" when the baseline did not run.
inline std::string Ratio(double rate, double baseline) {
    if (rate <= 0.0 || baseline <= 0.0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", rate / baseline);
    return text;
}

// Runs the benchmarks selected on the command line through reporter.
inline bool RunBenchmarks(int argc, char** argv, RateReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}
