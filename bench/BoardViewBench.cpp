// The board view's work on large boards: the title list's Reload against the
// store's LoadMessages on the same file, showing a selected message against
// ReadMessage, and selecting a far row in the full list. Prints the ratios
// after the timings.
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
    GroupSettings group = app.Settings();
    std::snprintf(group.messageFolder, sizeof group.messageFolder, "%s", folder.c_str());
    app.SetSettings(group);
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

BENCHMARK(BM_ReadMessage)->Apply(BoardArguments);
BENCHMARK(BM_ShowMessage)->Apply(BoardArguments);

void PrintRatios(const RatioReporter& reporter)
{
    std::vector<RatioReporter::Case> cases;
    for (int count : kBoardSizes)
        cases.push_back({"/messages:" + std::to_string(count), std::to_string(count) + "/" + kEncoding});
    reporter.PrintTable("view ms", {{"BM_Reload", "BM_LoadMessages"}, {"BM_ShowMessage", "BM_ReadMessage"}}, cases);
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
