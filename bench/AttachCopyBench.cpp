// Committing one 200 MB attachment (copy with a visible progress bar)
// against cp copying the same file into the same folder, and against cp
// followed by sync of the copy and its folder: a commit is flushed to disk
// before it reports success, as the board is. Prints the ratios after the
// timings.
#include "RatioReporter.h"

#include "core/FileCreation.h"
#include "view/CAttachFileList.h"

#include <QApplication>
#include <QProgressBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kFileSize = 200 * 1000 * 1000;
constexpr size_t kChunk = 1 << 20;
constexpr const char* kFileName = "attachment.bin";

struct Files
{
    std::string folder;
    std::string source;
    std::string destination;
};

Files& Shared()
{
    static Files files;
    return files;
}

// On the disk of the build, not on a /tmp that may live in memory.
std::string WorkFolder()
{
    if (const char* dir = std::getenv("QUORL_BENCH_DIR"))
        return dir;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() /
            ("attach-copy-" + std::to_string(getpid())))
        .string();
}

void WriteSource(const std::string& path)
{
    std::string chunk(kChunk, '\0');
    for (size_t i = 0; i < kChunk; ++i)
        chunk[i] = static_cast<char>(i * 131 % 251);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (size_t written = 0; written < kFileSize; written += kChunk)
        out.write(chunk.data(), static_cast<std::streamsize>(std::min(kChunk, kFileSize - written)));
}

bool Run(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RemoveCopy(benchmark::State& state)
{
    state.PauseTiming();
    std::filesystem::remove(Shared().destination);
    state.ResumeTiming();
}

void BM_Commit200MB(benchmark::State& state)
{
    const Files& files = Shared();
    QProgressBar bar;
    bar.resize(400, 20);
    bar.show();
    for (auto _ : state) {
        CAttachFileList list;
        list.SetFolder(files.folder);
        list.AddFile(files.source);
        QString error;
        if (!list.Commit(&bar, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
        RemoveCopy(state);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

void BM_Cp200MB(benchmark::State& state)
{
    const Files& files = Shared();
    for (auto _ : state) {
        if (!Run({"cp", files.source.c_str(), files.destination.c_str()})) {
            state.SkipWithError("cp failed");
            break;
        }
        RemoveCopy(state);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

void BM_CpSync200MB(benchmark::State& state)
{
    const Files& files = Shared();
    for (auto _ : state) {
        if (!Run({"cp", files.source.c_str(), files.destination.c_str()}) ||
            !Run({"sync", files.destination.c_str(), files.folder.c_str()})) {
            state.SkipWithError("cp or sync failed");
            break;
        }
        RemoveCopy(state);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

void CopyRuns(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(9);
}

BENCHMARK(BM_Commit200MB)->Apply(CopyRuns);
BENCHMARK(BM_Cp200MB)->Apply(CopyRuns);
BENCHMARK(BM_CpSync200MB)->Apply(CopyRuns);

} // namespace

int main(int argc, char** argv)
{
    FileCreation::Init();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Files& files = Shared();
    const std::string work = WorkFolder();
    files.folder = work + "/attach/pc01_20241201120000";
    files.source = work + "/" + kFileName;
    files.destination = files.folder + "/" + kFileName;
    std::filesystem::create_directories(files.folder);
    WriteSource(files.source);
    ::sync(); // no write-back of the source while the copies are timed
    // The first copy into a new folder pays for warming up; neither side should.
    Run({"cp", files.source.c_str(), files.destination.c_str()});
    std::filesystem::remove(files.destination);

    RatioReporter::RunAll(argc, argv, RatioReporter::Order::Interleaved, [](const RatioReporter& reporter) {
        reporter.PrintRatio("Commit200MB/cp", "BM_Commit200MB", "BM_Cp200MB");
        reporter.PrintRatio("Commit200MB/cp+sync", "BM_Commit200MB", "BM_CpSync200MB");
    });
    std::filesystem::remove_all(work);
    return 0;
}
