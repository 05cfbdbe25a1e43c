// Any bytes as BoardData.xml, read through the board store.
//
// With QUORL_FUZZ_BOARD_ROUNDTRIP=1 in the environment, a board that loads
// also gets a message added by the store. The store must either refuse and
// leave the file as it was, or write a board that reads back with every
// message as before plus the new one.
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "core/FileCreation.h"
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

void Fail(const char* what)
{
    std::fprintf(stderr, "board property failed: %s\n", what);
    std::abort();
}

BoardMessage NewMessage()
{
    return BoardMessage{0,
                        Cp932Codec::FromUtf8("お知らせ①"),
                        Cp932Codec::FromUtf8("山田"),
                        Cp932Codec::FromUtf8("a & b <c> \"ソ表\"\r\n次の行"),
                        kPriorityNotice,
                        0,
                        "20240105093015",
                        "pc01"};
}

// after must be before with the added message somewhere among them.
void ExpectOneAdded(const std::vector<BoardMessage>& before, const std::vector<BoardMessage>& after,
                    const BoardMessage& added)
{
    if (after.size() != before.size() + 1)
        Fail("a message added by the store is not one more message");
    for (size_t at = 0; at < after.size(); ++at) {
        if (after[at] != added)
            continue;
        bool rest = true;
        for (size_t i = 0, j = 0; rest && i < before.size(); ++i, ++j) {
            j += j == at ? 1 : 0;
            rest = before[i] == after[j];
        }
        if (rest)
            return;
    }
    Fail("after the store added a message, the board reads differently");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FileCreation::Init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TempDir::Write(BoardPath(), bytes);
    CBoardData store;
    store.SetFilePath(BoardPath());
    std::vector<BoardMessage> loaded;
    if (store.LoadMessages(loaded) != 0 || !RoundTripChecked())
        return 0;

    BoardMessage added = NewMessage();
    if (store.AddMessage(added) != 0) {
        if (TempDir::Read(BoardPath()) != bytes)
            Fail("the store refused to add a message but changed the file");
        return 0;
    }
    std::vector<BoardMessage> saved;
    if (store.LoadMessages(saved) != 0)
        Fail("the store wrote a board that cannot be read");
    ExpectOneAdded(loaded, saved, added);
    return 0;
}
