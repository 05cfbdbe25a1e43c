#include "core/FileCopy.h"
#include "support/Injected.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(FileCopy, FailuresNameTheSideAndLeaveTheDestinationAsItWas)
{
    TempDir dir;
    TempDir::Write(dir.file("big"), std::string(100000, 'b'));
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    fs::create_directories(dir.file("out"));
    const std::string target = dir.file("out/f");
    // source, destination, the side that fails, why
    const std::tuple<std::string, std::string, std::string, std::error_code> cases[] = {
        {dir.file("none"), target, dir.file("none"), SystemError(ENOENT)},
        {dir.file("fifo"), target, dir.file("fifo"), QuorlError::NotRegularFile}, // must not wait for a writer
        {dir.file("big"), dir.file("none/f"), dir.file("none/f"), SystemError(ENOENT)},
        {dir.file("big"), target, target, SystemError(EFBIG)}, // over the file size limit
    };
    for (const auto& [source, destination, failed, error] : cases) {
        SCOPED_TRACE(source + " -> " + destination);
        TempDir::Write(target, "old");
        EXPECT_EQ(FileCopy::CheckSource(source).code(), failed == source ? error : std::error_code());
        const Status result = Injected::UnderFileSizeLimit(
            error.value() == EFBIG ? 4096 : RLIM_INFINITY, [&, &source = source, &destination = destination] {
                return FileCopy::Copy(source, destination);
            });
        EXPECT_EQ(result.code(), error);
        EXPECT_EQ(result.subject(), failed);
        EXPECT_EQ(TempDir::Read(target), "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("out")), {}), 1) << "no temporary file is left";
    }
}

TEST(FileCopy, CopiesWholeLeavesTheSameFileAloneAndReplacesLinksAtTheDestination)
{
    TempDir dir;
    const std::string note = dir.file("note"), hard = dir.file("hard"), planted = dir.file("planted"), victim = dir.file("victim");
    std::string bytes(3 * (1 << 20) + 1, '\0'); // several chunks
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 131 % 251);
    TempDir::Write(note, bytes);
    TempDir::Write(victim, "keep me");
    ASSERT_EQ(link(note.c_str(), hard.c_str()), 0);
    // The source itself, a hard link to it, then a link planted where the copy
    // goes, to another file or to the source.
    const std::pair<std::string, std::string> cases[] = {{note, ""}, {hard, ""}, {planted, victim}, {planted, note}};
    for (const auto& [destination, linked] : cases) {
        if (!linked.empty()) {
            fs::remove(planted);
            fs::create_symlink(linked, planted);
        }
        int64_t told = -1;
        ASSERT_TRUE(FileCopy::Copy(note, destination, [&](int64_t n) { told = n; }).ok()) << destination;
        EXPECT_EQ(told, static_cast<int64_t>(bytes.size())) << destination;
        EXPECT_FALSE(fs::is_symlink(destination)) << destination;
        EXPECT_TRUE(TempDir::Read(destination) == bytes) << destination;
    }
    EXPECT_EQ(TempDir::Read(victim), "keep me");
    EXPECT_TRUE(fs::equivalent(note, hard)) << "neither was rewritten";
}

} // namespace
