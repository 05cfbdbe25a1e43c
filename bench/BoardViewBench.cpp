// The board view's work on large, unchanged boards: the title list's Reload
// and showing a selected message, each against the same with the store's
// reuse turned off (every read parses the file), and selecting a far row in
// the full list; a keystroke in the find bar against the list's Reload of a
// changed board. Prints the ratios after the timings.
//
// The list is shown on the offscreen platform, so that the model reset, the
// selection, the scrolling and the painting are all included.
#include "BoardGenerator.h"
#include "RatioReporter.h"

#include "app/CBoardApp.h"
#include "board/CBoardData.h"
#include "settings/MemorySettingsBackend.h"
#include "view/CBoardDlg.h"
#include "core/AtomicFile.h"
#include "core/FileCreation.h"
#include "view/CBoardTitle.h"

#include <QApplication>
#include <QItemSelectionModel>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
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
    ShownList(const std::string& path, bool reuse)
    {
        store.SetReuse(reuse);
        store.SetFilePath(path);
        list.resize(kListWidth, kListHeight);
        list.show();
        list.SetupList(std::nullopt);
        QCoreApplication::processEvents();
    }
    CBoardData store;
    CBoardTitle list{store};
};

// Reloading and selecting a message in the middle, as after a change
// announced by another member; the events that follow (painting) included.
void Reload(benchmark::State& state, bool reuse)
{
    ShownList shown(BoardPath(state), reuse);
    const auto number = static_cast<int32_t>(state.range(0) / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(shown.list.Reload(number, "bench"));
        QCoreApplication::processEvents();
    }
}

// A click's work on the full list: select a row far from the last one,
// scroll to it and paint.
void BM_Reload(benchmark::State& state) { Reload(state, true); }
void BM_ReloadParsing(benchmark::State& state) { Reload(state, false); }

void BM_SelectFarRow(benchmark::State& state)
{
    ShownList shown(BoardPath(state), true);
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

// A keystroke in the find bar at its worst: a search that is no narrowing of
// the last one, so every row is looked at, and one that matches almost all of
// them ("の"), so the list shows as many rows as before. The folded texts are
// made by the first search, before timing.
void BM_FindKeystroke(benchmark::State& state)
{
    ShownList shown(BoardPath(state), true);
    const QString searches[] = {QStringLiteral("の"), QStringLiteral("第1")};
    shown.list.SetFilter(searches[1]);
    int next = 0;
    for (auto _ : state) {
        shown.list.SetFilter(searches[next]);
        next = 1 - next;
        QCoreApplication::processEvents();
    }
}

// A change to the board arriving while a find is shown: the rows are rebuilt
// and every row's text is folded again for the search.
void BM_FindReload(benchmark::State& state)
{
    ShownList shown(BoardPath(state), false);
    shown.list.SetFilter(QStringLiteral("第1"));
    const auto number = static_cast<int32_t>(state.range(0) / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(shown.list.Reload(number, "bench"));
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

BENCHMARK(BM_Reload)->Apply(BoardArguments);
BENCHMARK(BM_ReloadParsing)->Apply(BoardArguments);
BENCHMARK(BM_SelectFarRow)->Apply(BoardArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindKeystroke)->Apply(BoardArguments);
BENCHMARK(BM_FindReload)->Apply(BoardArguments);

// Showing a selected message in the shown board view: read it, put its text
// into the pane, set the buttons and list its attachment folder; painting
// included.
void ShowMessage(benchmark::State& state, bool reuse)
{
    const std::string& path = BoardPath(state);
    MemorySettingsBackend backend;
    SettingsStore settings(backend);
    CBoardApp app(settings);
    const std::string folder = std::filesystem::path(path).parent_path().string() + "/";
    GroupSettings group = app.Settings();
    std::snprintf(group.messageFolder, sizeof group.messageFolder, "%s", folder.c_str());
    app.SetSettings(group);
    app.Board().SetReuse(reuse);
    app.Board().SetFilePath(path);
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

void BM_ShowMessage(benchmark::State& state) { ShowMessage(state, true); }
void BM_ShowMessageParsing(benchmark::State& state) { ShowMessage(state, false); }

BENCHMARK(BM_ShowMessage)->Apply(BoardArguments);
BENCHMARK(BM_ShowMessageParsing)->Apply(BoardArguments);

void PrintRatios(const RatioReporter& reporter)
{
    std::vector<RatioReporter::Case> cases;
    for (int count : kBoardSizes)
        cases.push_back({"/messages:" + std::to_string(count), std::to_string(count) + "/" + kEncoding});
    reporter.PrintTable("view ms",
                        {{"BM_Reload", "BM_ReloadParsing"},
                         {"BM_ShowMessage", "BM_ShowMessageParsing"},
                         {"BM_FindKeystroke", "BM_ReloadParsing"},
                         {"BM_FindReload", "BM_ReloadParsing"}},
                        cases);
}

} // namespace

int main(int argc, char** argv)
{
    FileCreation::Init();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string dir = (std::filesystem::temp_directory_path() / ("quorl-viewbench-" + std::to_string(getpid()))).string();
    for (int count : kBoardSizes) {
        const std::string path = dir + "/" + std::to_string(count) + "/" + CBoardData::kFileName;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        AtomicFile::Write(path, {BoardGenerator::Generate(count, kEncoding)});
        BoardPaths()[count] = path;
    }
    RatioReporter::RunAll(argc, argv, RatioReporter::Order::Interleaved, PrintRatios);
    std::filesystem::remove_all(dir);
    return 0;
}
