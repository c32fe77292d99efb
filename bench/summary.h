// SPDX-License-Identifier: MIT
// The figures the benchmarks print in their closing summary lines: a console reporter that also
// keeps, for every benchmark, its best run (least CPU time over repetitions) with its counters.
#pragma once

#include <benchmark/benchmark.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

struct BestRun {
    double real = std::numeric_limits<double>::infinity();  // in the benchmark's time unit
    double cpu = std::numeric_limits<double>::infinity();
    std::map<std::string, double> counters;
    double Counter(const std::string& name) const {
        const auto it = counters.find(name);
        return it == counters.end() ? 0.0 : it->second;
    }
};

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            std::string key = run.run_name.function_name;
            if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
            BestRun& best = best_[key];
            if (run.GetAdjustedCPUTime() >= best.cpu) continue;
            best.real = run.GetAdjustedRealTime();
            best.cpu = run.GetAdjustedCPUTime();
            for (const auto& [name, counter] : run.counters) best.counters[name] = counter;
        }
    }
    // The best run of benchmark `key` ("BM_Name" or "BM_Name/arg"), or null if it did not run.
    const BestRun* Find(const std::string& key) const {
        const auto it = best_.find(key);
        return it == best_.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, BestRun> best_;
};
