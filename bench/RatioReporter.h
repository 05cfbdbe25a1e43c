#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Shows the timings as the console does and keeps them, so that ratios
// between benchmarks can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    enum class Order { AsDeclared, Interleaved };

    // An operation and the floor it is measured against.
    using Pair = std::pair<std::string, std::string>;
    // The arguments both were run with, and what the board column shows.
    struct Case
    {
        std::string suffix; // "/messages:10000"
        std::string board;
    };

    // Runs the benchmarks chosen on the command line through a reporter of
    // this kind, then lets printRatios use its timings.
    static void RunAll(int argc, char** argv, Order order,
                       const std::function<void(const RatioReporter&)>& printRatios)
    {
        std::vector<char*> args(argv, argv + argc);
        std::string interleave = "--benchmark_enable_random_interleaving=true";
        // Other work on the machine comes and goes; interleaved repetitions share it out.
        if (order == Order::Interleaved)
            args.insert(args.begin() + 1, interleave.data());
        int count = static_cast<int>(args.size());
        benchmark::Initialize(&count, args.data());
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        printRatios(reporter);
        benchmark::Shutdown();
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = NameOf(run);
            if (run.run_type == Run::RT_Iteration)
                singles_[name] = Milliseconds(run);
            else if (run.aggregate_name == "median")
                medians_[name] = Milliseconds(run);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // With repetitions the median stands for the benchmark; a single run
    // stands for itself. Milliseconds, or 0 when it did not run.
    double TimeOf(const std::string& name) const
    {
        for (const auto* times : {&medians_, &singles_}) {
            if (const auto found = times->find(name); found != times->end())
                return found->second;
        }
        return 0;
    }

    // A line for each case and pair that ran, in this order.
    void PrintTable(const char* measured, const std::vector<Pair>& pairs, const std::vector<Case>& cases) const
    {
        std::printf("\n%-18s %-22s %10s %10s %7s\n", "operation", "board", measured, "floor ms", "ratio");
        for (const Case& c : cases) {
            for (const auto& [operation, floorName] : pairs) {
                const double time = TimeOf(operation + c.suffix);
                const double floor = TimeOf(floorName + c.suffix);
                if (time <= 0 || floor <= 0)
                    continue;
                std::printf("%-18s %-22s %10.2f %10.2f %7.2f\n", operation.c_str() + kPrefixLength,
                            c.board.c_str(), time, floor, time / floor);
            }
        }
    }

    void PrintRatio(const char* label, const std::string& name, const std::string& floorName) const
    {
        const double time = TimeOf(name);
        const double floor = TimeOf(floorName);
        if (time <= 0 || floor <= 0)
            return;
        std::printf("\nratio %s = %.2f (%.1f ms / %.1f ms)\n", label, time / floor, time, floor);
    }

private:
    // "BM_" before every benchmark's name.
    static constexpr size_t kPrefixLength = 3;

    // The function and its arguments, whatever the iterations and
    // repetitions were.
    static std::string NameOf(const Run& run)
    {
        const std::string& args = run.run_name.args;
        return run.run_name.function_name + (args.empty() ? "" : "/" + args);
    }

    static double Milliseconds(const Run& run)
    {
        return run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
               benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    std::map<std::string, double> medians_;
    std::map<std::string, double> singles_;
};
