// Board store operations against the bare libxml2 work on the same file:
// LoadMessages and ReadMessage against a parse, AddMessage against a parse
// and a save; and each operation on an unchanged board, where the store reuses
// the document it kept, against the same with that reuse turned off (a full
// parse every time), and a read of a board changed since the last read
// against the same read with reuse off. Prints the ratios after the timings.
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
#include <utility>
#include <string>
#include <unistd.h>

namespace {

// Messages and whether in Shift_JIS: the boards the goals are set for.
constexpr std::pair<int, int> kBoards[] = {{10000, 0}, {50000, 0}, {10000, 1}};

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

// A store as the program has one: reusing what it kept, unless the
// benchmark's name ends in "Parsing".
// The first read parses; the timings are of the reads after it.
void Open(CBoardData& store, const Board& board, bool reuse)
{
    store.SetFilePath(board.path);
    store.SetReuse(reuse);
    BoardMessage first;
    store.ReadMessage(first);
}

void LoadMessages(benchmark::State& state, bool reuse)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    Open(store, board, reuse);
    for (auto _ : state) {
        std::vector<BoardMessage> messages;
        store.LoadMessages(messages);
        benchmark::DoNotOptimize(messages.data());
    }
}

void ReadMessage(benchmark::State& state, bool reuse)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    Open(store, board, reuse);
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

// Another member changed the board since the last read: one digit of a
// date, the length alike.
void ReadMessageChanged(benchmark::State& state, bool reuse)
{
    const Board& board = GetBoard(state);
    std::string changed = board.bytes;
    const size_t digit = changed.find("date=\"") + 6;
    CBoardData store;
    Open(store, board, reuse);
    for (auto _ : state) {
        state.PauseTiming();
        changed[digit] = changed[digit] == '1' ? '2' : '1';
        AtomicFile::Write(board.path, {changed});
        state.ResumeTiming();
        BoardMessage message;
        message.number = static_cast<int32_t>(state.range(0) / 2);
        store.ReadMessage(message);
        benchmark::DoNotOptimize(message.title.data());
    }
    Restore(board);
}

// The board is as the store last read it, or as it last wrote it.
void AddMessage(benchmark::State& state, bool reuse)
{
    const Board& board = GetBoard(state);
    CBoardData store;
    Open(store, board, reuse);
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
        BoardMessage read;
        store.ReadMessage(read);
        state.ResumeTiming();
        store.AddMessage(message);
    }
    Restore(board);
}

void BM_LoadMessages(benchmark::State& state) { LoadMessages(state, true); }
void BM_LoadMessagesParsing(benchmark::State& state) { LoadMessages(state, false); }
void BM_ReadMessage(benchmark::State& state) { ReadMessage(state, true); }
void BM_ReadMessageParsing(benchmark::State& state) { ReadMessage(state, false); }
void BM_ReadMessageChanged(benchmark::State& state) { ReadMessageChanged(state, true); }
void BM_ReadMessageChangedParsing(benchmark::State& state) { ReadMessageChanged(state, false); }
void BM_AddMessage(benchmark::State& state) { AddMessage(state, true); }
void BM_AddMessageParsing(benchmark::State& state) { AddMessage(state, false); }

void BoardArguments(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"messages", "sjis"});
    for (const auto& [count, sjis] : kBoards)
        bench->Args({count, sjis});
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BareParse)->Apply(BoardArguments);
BENCHMARK(BM_LoadMessages)->Apply(BoardArguments);
BENCHMARK(BM_LoadMessagesParsing)->Apply(BoardArguments);
BENCHMARK(BM_ReadMessage)->Apply(BoardArguments);
BENCHMARK(BM_ReadMessageParsing)->Apply(BoardArguments);
BENCHMARK(BM_ReadMessageChanged)->Apply(BoardArguments);
BENCHMARK(BM_ReadMessageChangedParsing)->Apply(BoardArguments);
BENCHMARK(BM_BareParseSave)->Apply(BoardArguments);
BENCHMARK(BM_AddMessage)->Apply(BoardArguments);
BENCHMARK(BM_AddMessageParsing)->Apply(BoardArguments);

void PrintRatios(const RatioReporter& reporter)
{
    std::vector<RatioReporter::Case> cases;
    for (const auto& [count, sjis] : kBoards) {
        const std::string suffix = "/messages:" + std::to_string(count) + "/sjis:" + std::to_string(sjis);
        cases.push_back({suffix, BoardKey(count, sjis)});
    }
    reporter.PrintTable("store ms",
                        {{"BM_ReadMessage", "BM_ReadMessageParsing"},
                         {"BM_LoadMessages", "BM_LoadMessagesParsing"},
                         {"BM_AddMessage", "BM_AddMessageParsing"},
                         {"BM_ReadMessageChanged", "BM_ReadMessageChangedParsing"},
                         {"BM_ReadMessageParsing", "BM_BareParse"},
                         {"BM_AddMessageParsing", "BM_BareParseSave"}},
                        cases);
}

} // namespace

int main(int argc, char** argv)
{
    FileCreation::Init();
    const std::string dir = (std::filesystem::temp_directory_path() / ("quorl-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    for (const auto& [count, sjis] : kBoards) {
        Board board;
        board.encoding = sjis ? "Shift_JIS" : "UTF-8";
        board.path = dir + "/" + std::to_string(count) + (sjis ? "-sjis" : "-utf8") + "/BoardData.xml";
        std::filesystem::create_directories(std::filesystem::path(board.path).parent_path());
        board.bytes = BoardGenerator::Generate(count, board.encoding);
        Restore(board);
        Boards()[BoardKey(count, sjis != 0)] = board;
    }
    CBoardData warmUp; // registers the code page aliases before the bare runs
    RatioReporter::RunAll(argc, argv, RatioReporter::Order::AsDeclared, PrintRatios);
    std::filesystem::remove_all(dir);
    return 0;
}
