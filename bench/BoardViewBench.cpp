// The board view's work on large boards: the title list's Reload against the
// store's LoadMessages on the same file, showing a selected message against
// ReadMessage, and selecting a far row in the full list. Prints the ratios
// after the timings.
//
// The list is shown on the offscreen platform, so that the model reset, the
// selection, the scrolling and the painting are all included.
#include "BoardGenerator.h"

#include "app/CBoardApp.h"
#include "board/CBoardData.h"
#include "settings/MemorySettingsBackend.h"
#include "view/CBoardDlg.h"
#include "core/AtomicFile.h"
#include "view/CBoardTitle.h"

#include <QApplication>
#include <QItemSelectionModel>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBoardSizes[] = {10000, 50000};
constexpr const char* kEncoding = "UTF-8";
constexpr int kListWidth = 600;
constexpr int kListHeight = 400;

std::map<int, std::string>& BoardPaths()
{
    static std::map<int, std::string> paths;
    return paths;
}

const std::string& BoardPath(const benchmark::State& state)
{
    return BoardPaths().at(static_cast<int>(state.range(0)));
}

// A shown list loaded from the board of that size.
struct ShownList
{
    explicit ShownList(const std::string& path)
    {
        store.SetFilePath(path);
        list.resize(kListWidth, kListHeight);
        list.show();
        list.SetupList(std::nullopt);
        QCoreApplication::processEvents();
    }
    CBoardData store;
    CBoardTitle list{store};
};

void BM_LoadMessages(benchmark::State& state)
{
    CBoardData store;
    store.SetFilePath(BoardPath(state));
    for (auto _ : state) {
        std::vector<BoardMessage> messages;
        store.LoadMessages(messages);
        benchmark::DoNotOptimize(messages.data());
    }
}

// Reloading and selecting a message in the middle, as after a change
// announced by another member; the events that follow (painting) included.
void BM_Reload(benchmark::State& state)
{
    ShownList shown(BoardPath(state));
    const auto number = static_cast<int32_t>(state.range(0) / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(shown.list.Reload(number, "bench"));
        QCoreApplication::processEvents();
    }
}

// A click's work on the full list: select a row far from the last one,
// scroll to it and paint.
void BM_SelectFarRow(benchmark::State& state)
{
    ShownList shown(BoardPath(state));
    const int rows = shown.list.RowCount();
    int row = 0;
    for (auto _ : state) {
        row = (row + rows / 3 + 1) % rows;
        const QModelIndex index = shown.list.model()->index(row, 0);
        shown.list.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
        shown.list.scrollTo(index);
        QCoreApplication::processEvents();
    }
}

void BoardArguments(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"messages"});
    for (int count : kBoardSizes)
        bench->Args({count});
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LoadMessages)->Apply(BoardArguments);
BENCHMARK(BM_Reload)->Apply(BoardArguments);
BENCHMARK(BM_SelectFarRow)->Apply(BoardArguments)->Unit(benchmark::kMicrosecond);

void BM_ReadMessage(benchmark::State& state)
{
    CBoardData store;
    store.SetFilePath(BoardPath(state));
    const auto number = static_cast<int32_t>(state.range(0) / 2);
    for (auto _ : state) {
        BoardMessage message;
        message.number = number;
        benchmark::DoNotOptimize(store.ReadMessage(message));
    }
}

// Showing a selected message in the shown board view: read it, put its text
// into the pane, set the buttons and list its attachment folder; painting
// included.
void BM_ShowMessage(benchmark::State& state)
{
    const std::string& path = BoardPath(state);
    MemorySettingsBackend backend;
    SettingsStore settings(backend);
    CBoardApp app(settings);
    const std::string folder = std::filesystem::path(path).parent_path().string() + "/";
    std::snprintf(app.settings.messageFolder, sizeof app.settings.messageFolder, "%s", folder.c_str());
    app.board().SetFilePath(path);
    CBoardDlg view(app, nullptr);
    view.resize(kListWidth + 200, kListHeight * 2);
    view.show();
    QCoreApplication::processEvents();
    const auto number = static_cast<int32_t>(state.range(0) / 2);
    for (auto _ : state) {
        view.ShowMessage(number);
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_ReadMessage)->Apply(BoardArguments);
BENCHMARK(BM_ShowMessage)->Apply(BoardArguments);

// Collects the timings so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions the median stands for the benchmark; a single
        // run stands for itself.
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[name] = Milliseconds(run);
            else if (run.run_type == Run::RT_Iteration && !medians.count(name))
                times[name] = Milliseconds(run);
            if (run.run_type == Run::RT_Aggregate)
                medians.insert(name);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        std::printf("\n%-18s %-22s %10s %10s %7s\n", "operation", "board", "view ms", "floor ms", "ratio");
        for (int count : kBoardSizes) {
            const std::string suffix = "/messages:" + std::to_string(count);
            for (const auto& [op, floor] : kPairs) {
                auto a = times.find(op + suffix);
                auto b = times.find(floor + suffix);
                if (a == times.end() || b == times.end())
                    continue;
                std::printf("%-18s %-22s %10.2f %10.2f %7.2f\n", op + 3,
                            (std::to_string(count) + "/" + kEncoding).c_str(), a->second, b->second,
                            a->second / b->second);
            }
        }
    }

private:
    static constexpr std::pair<const char*, const char*> kPairs[] = {
        {"BM_Reload", "BM_LoadMessages"},
        {"BM_ShowMessage", "BM_ReadMessage"},
    };

    static double Milliseconds(const Run& run)
    {
        return run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
               benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    std::map<std::string, double> times;
    std::set<std::string> medians;
};

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string dir = (std::filesystem::temp_directory_path() / ("quorl-viewbench-" + std::to_string(getpid()))).string();
    for (int count : kBoardSizes) {
        const std::string path = dir + "/" + std::to_string(count) + "/" + CBoardData::kFileName;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        AtomicFile::Write(path, {BoardGenerator::Generate(count, kEncoding)});
        BoardPaths()[count] = path;
    }
    // Other work on the machine comes and goes; interleaved repetitions share it out.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
