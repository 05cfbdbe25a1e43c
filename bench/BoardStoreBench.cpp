// Board store operations against the bare libxml2 work on the same file:
// LoadMessages and ReadMessage against a parse, AddMessage against a parse
// and a save. Prints the ratios after the timings.
#include "BoardGenerator.h"
#include "RatioReporter.h"

#include "board/CBoardData.h"
#include "core/AtomicFile.h"
#include "core/FileCreation.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace {

struct Board
{
    std::string path;
    std::string bytes;
    const char* encoding;
};

std::map<std::string, Board>& Boards()
{
    static std::map<std::string, Board> boards;
    return boards;
}

std::string BoardKey(int count, bool shiftJis)
{
    return std::to_string(count) + (shiftJis ? "/Shift_JIS" : "/UTF-8");
}

const Board& GetBoard(const benchmark::State& state)
{
    return Boards().at(BoardKey(static_cast<int>(state.range(0)), state.range(1) != 0));
}

void Restore(const Board& board)
{
    AtomicFile::Write(board.path, {board.bytes});
}

// Reads the file and parses it, as the store does; xmlReadFile would go
// through the entity loader, which the store shuts for every other use.
xmlDocPtr BareParse(const Board& board)
{
    std::string bytes;
    AtomicFile::ReadAll(board.path, bytes);
    return xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
}

void BM_BareParse(benchmark::State& state)
{
    const Board& board = GetBoard(state);
    for (auto _ : state)
        xmlFreeDoc(BareParse(board));
}

void BM_LoadMessages(benchmark::State& state)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    store.SetFilePath(board.path);
    for (auto _ : state) {
        std::vector<BoardMessage> messages;
        store.LoadMessages(messages);
        benchmark::DoNotOptimize(messages.data());
    }
}

void BM_ReadMessage(benchmark::State& state)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    store.SetFilePath(board.path);
    for (auto _ : state) {
        BoardMessage message;
        message.number = static_cast<int32_t>(state.range(0) / 2);
        store.ReadMessage(message);
        benchmark::DoNotOptimize(message.title.data());
    }
}

void BM_BareParseSave(benchmark::State& state)
{
    const Board& board = GetBoard(state);
    for (auto _ : state) {
        state.PauseTiming();
        Restore(board);
        state.ResumeTiming();
        xmlDocPtr doc = BareParse(board);
        xmlSaveFileEnc(board.path.c_str(), doc, board.encoding);
        xmlFreeDoc(doc);
    }
    Restore(board);
}

void BM_AddMessage(benchmark::State& state)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    store.SetFilePath(board.path);
    BoardMessage message;
    message.title = "\x90\x56\x8B\x4B\x82\xCC\x82\xA8\x92\x6D\x82\xE7\x82\xB9"; // 新規のお知らせ
    message.name = "\x8D\xB2\x93\xA1";                                           // 佐藤
    message.contents = std::string(300, 'x');
    message.priority = 2;
    message.date = "20241201120000";
    message.hostname = "pc01";
    for (auto _ : state) {
        state.PauseTiming();
        Restore(board);
        state.ResumeTiming();
        store.AddMessage(message);
    }
    Restore(board);
}

void BoardArguments(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"messages", "sjis"});
    for (int count : {1000, 10000})
        for (int sjis : {0, 1})
            bench->Args({count, sjis});
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BareParse)->Apply(BoardArguments);
BENCHMARK(BM_LoadMessages)->Apply(BoardArguments);
BENCHMARK(BM_ReadMessage)->Apply(BoardArguments);
BENCHMARK(BM_BareParseSave)->Apply(BoardArguments);
BENCHMARK(BM_AddMessage)->Apply(BoardArguments);

void PrintRatios(const RatioReporter& reporter)
{
    std::vector<RatioReporter::Case> cases;
    for (int count : {1000, 10000}) {
        for (int sjis : {0, 1}) {
            const std::string suffix = "/messages:" + std::to_string(count) + "/sjis:" + std::to_string(sjis);
            cases.push_back({suffix, BoardKey(count, sjis)});
        }
    }
    reporter.PrintTable("store ms",
                        {{"BM_LoadMessages", "BM_BareParse"},
                         {"BM_ReadMessage", "BM_BareParse"},
                         {"BM_AddMessage", "BM_BareParseSave"}},
                        cases);
}

} // namespace

int main(int argc, char** argv)
{
    FileCreation::Init();
    const std::string dir = (std::filesystem::temp_directory_path() / ("quorl-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    for (int count : {1000, 10000}) {
        for (bool sjis : {false, true}) {
            Board board;
            board.encoding = sjis ? "Shift_JIS" : "UTF-8";
            board.path = dir + "/" + std::to_string(count) + (sjis ? "-sjis" : "-utf8") + "/BoardData.xml";
            std::filesystem::create_directories(std::filesystem::path(board.path).parent_path());
            board.bytes = BoardGenerator::Generate(count, board.encoding);
            Restore(board);
            Boards()[BoardKey(count, sjis)] = board;
        }
    }
    CBoardData warmUp; // registers the code page aliases before the bare runs
    RatioReporter::RunAll(argc, argv, RatioReporter::Order::AsDeclared, PrintRatios);
    std::filesystem::remove_all(dir);
    return 0;
}
