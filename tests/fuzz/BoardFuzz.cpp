// Any bytes as BoardData.xml, read through the board store.
//
// With QUORL_FUZZ_BOARD_ROUNDTRIP=1 in the environment, a board that loads
// must also give the same messages once it has been written back as a save
// writes it (the bytes around the document element kept, the element
// serialised in the declared encoding).
#include "board/BoardDocument.h"
#include "board/CBoardData.h"
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

bool RoundTripChecked()
{
    static const bool checked = [] {
        const char* value = std::getenv("QUORL_FUZZ_BOARD_ROUNDTRIP");
        return value != nullptr && std::string_view(value) == "1";
    }();
    return checked;
}

const std::string& BoardPath()
{
    static const TempDir dir;
    static const std::string path = dir.file(CBoardData::kFileName);
    return path;
}

void Fail(const char* what, size_t index = 0)
{
    std::fprintf(stderr, "board property failed: %s (message %zu)\n", what, index);
    std::abort();
}

void ExpectSameMessages(const std::vector<BoardMessage>& loaded, const std::vector<BoardMessage>& saved)
{
    if (saved.size() != loaded.size())
        Fail("message count changed by a save", saved.size());
    for (size_t i = 0; i < loaded.size(); ++i) {
        const BoardMessage& a = loaded[i];
        const BoardMessage& b = saved[i];
        if (a.number != b.number || a.priority != b.priority || a.attach != b.attach)
            Fail("number, priority or attachment flag changed by a save", i);
        if (a.title != b.title || a.name != b.name || a.contents != b.contents)
            Fail("title, name or contents changed by a save", i);
        if (a.date != b.date || a.hostname != b.hostname)
            Fail("date or host name changed by a save", i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TempDir::Write(BoardPath(), bytes);
    CBoardData store;
    store.SetFilePath(BoardPath());
    std::vector<BoardMessage> loaded;
    if (store.LoadMessages(loaded) != 0 || !RoundTripChecked())
        return 0;

    BoardDocument document;
    if (!document.LoadFromBytes(bytes))
        Fail("the store read a board that the document refuses");
    std::string written;
    if (!document.Serialise(written))
        return 0; // never written back (UTF-16)
    TempDir::Write(BoardPath(), written);
    std::vector<BoardMessage> saved;
    if (store.LoadMessages(saved) != 0)
        Fail("a saved board cannot be read");
    ExpectSameMessages(loaded, saved);
    return 0;
}
