// The resident size that the board store adds by keeping what it read, on
// boards of 10,000 and 50,000 messages: keeping the whole document, keeping
// only the records (as boards past CBoardData::kDocumentKeptUpTo do), and
// with the reuse turned off. Each board is measured in a child process of its own:
// the C library keeps memory it was given back, which would blur the next,
// and is asked to return what is free before each figure, so that the
// figures are what the store holds, not what parsing once needed.
#include "BoardGenerator.h"
#include "board/CBoardData.h"
#include "core/AtomicFile.h"
#include "core/FileCreation.h"

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long ResidentKb()
{
    ::malloc_trim(0);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

enum class Kept { Nothing, Records, Document };

void Measure(int count, Kept kept, const std::string& folder)
{
    const std::string path = folder + "/" + CBoardData::kFileName;
    const std::string bytes = BoardGenerator::Generate(count, "UTF-8");
    AtomicFile::Write(path, {bytes});
    const long before = ResidentKb();
    CBoardData store;
    store.SetReuse(kept != Kept::Nothing);
    store.SetDocumentKeptUpTo(kept == Kept::Document ? bytes.size() : 0);
    store.SetFilePath(path);
    BoardMessage message;
    message.number = count / 2;
    store.ReadMessage(message);
    const long afterRead = ResidentKb();
    std::vector<BoardMessage> messages;
    store.LoadMessages(messages);
    messages.clear();
    messages.shrink_to_fit();
    const long afterList = ResidentKb();
    const char* mode = kept == Kept::Document ? "document" : kept == Kept::Records ? "records" : "nothing";
    std::printf("%-8d %-9s %8.1f %15.1f %15.1f\n", count, mode, bytes.size() / 1e6,
                (afterRead - before) / 1e3, (afterList - before) / 1e3);
}

} // namespace

int main()
{
    FileCreation::Init();
    char folder[] = "/tmp/quorl-memory-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    std::printf("messages kept       file MB  +MB after read  +MB after list\n");
    std::fflush(stdout);
    for (const int count : {10000, 50000}) {
        for (const Kept kept : {Kept::Nothing, Kept::Records, Kept::Document}) {
            const pid_t child = ::fork();
            if (child == 0) {
                Measure(count, kept, folder);
                std::fflush(stdout);
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
        }
    }
    std::remove((std::string(folder) + "/" + CBoardData::kFileName).c_str());
    ::rmdir(folder);
}
