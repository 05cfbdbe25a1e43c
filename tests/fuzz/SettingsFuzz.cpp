// Any bytes as the per-user settings file. What is read must format to a
// file that reads back to the same keys and values without a damaged line;
// the settings store must read its records from it within their fields, and
// a group it reads must read back the same after being written.
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Fail(const char* what)
{
    std::fprintf(stderr, "settings property failed: %s\n", what);
    std::abort();
}

template <size_t N> void ExpectTerminated(const char (&field)[N], const char* what)
{
    if (strnlen(field, N) == N)
        Fail(what);
}

bool SameGroup(const GroupSettings& a, const GroupSettings& b)
{
    return std::memcmp(a.userName, b.userName, sizeof a.userName) == 0 &&
           std::memcmp(a.groupName, b.groupName, sizeof a.groupName) == 0 &&
           std::memcmp(a.messageFolder, b.messageFolder, sizeof a.messageFolder) == 0 &&
           a.portNumber == b.portNumber && a.popupOnReceipt == b.popupOnReceipt;
}

void ReadEveryRecord(const SettingsTree& tree)
{
    MemorySettingsBackend backend(tree);
    SettingsStore store(backend);

    GroupSettings group;
    if (store.ReadGroupSettings(group) == SettingsStore::kRead) {
        ExpectTerminated(group.groupName, "group name without its zero");
        ExpectTerminated(group.userName, "user name without its zero");
        ExpectTerminated(group.messageFolder, "message folder without its zero");
        MemorySettingsBackend fresh;
        SettingsStore(fresh).WriteGroupSettings(group);
        GroupSettings again;
        if (SettingsStore(fresh).ReadGroupSettings(again) != SettingsStore::kRead || !SameGroup(group, again))
            Fail("a group read, written and read again changed");
    }
    FontDescription font;
    store.ReadFont(font);
    ExpectTerminated(font.faceName, "face name without its zero");
    PriorityColors colors;
    store.ReadColors(colors);
    ClientSizeRecord size;
    store.ReadClientSize(size);
    ColumnWidths widths;
    store.ReadColumnWidths(widths);

    char name[SettingsStore::kKeyNameSize];
    for (uint32_t index = 0; store.EnumKey(index, name) == SettingsBackend::kSuccess; ++index) {
        ExpectTerminated(name, "key name without its zero");
        GroupSettings named;
        if (!SettingsStore::IsReservedKeyName(name))
            store.ReadNamedGroup(name, named);
    }
    if (backend.openHandles() != 0)
        Fail("the store left a key open");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SettingsTree tree = SettingsFileFormat::Parse(text);

    const std::string formatted = SettingsFileFormat::Format(tree);
    size_t unreadable = 0;
    if (!(SettingsFileFormat::Parse(formatted, &unreadable) == tree))
        Fail("the formatted file reads back to other keys or values");
    if (unreadable != 0)
        Fail("the formatted file has damaged lines");

    ReadEveryRecord(tree);
    return 0;
}
