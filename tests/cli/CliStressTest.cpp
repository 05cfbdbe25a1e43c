#include "CliRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

constexpr int kWriters = 6;
constexpr int kPostsPerWriter = 16;

// Each writer posts in a loop and records the numbers it was given; the
// reader lists until the writers are done and records every failed list.
constexpr const char* kWriterScript = "i=0; while [ $i -lt \"$3\" ]; do"
                                      "  echo body | \"$1\" post --folder \"$2\" --title \"w$4-$i\" >> "
                                      "\"$2/numbers\" || echo post >> \"$2/failed\";"
                                      "  i=$((i + 1));"
                                      " done";
constexpr const char* kReaderScript =
    "runs=0; while [ ! -e \"$2/done\" ] || [ $runs -lt 3 ]; do"
    "  \"$1\" list --folder \"$2\" > /dev/null || echo list >> \"$2/failed\";"
    "  runs=$((runs + 1));"
    " done";

TEST(QuorlboardCliStress, ConcurrentPostsGetDistinctNumbersWhileListsKeepWorking)
{
    TempDir dir;
    TempDir config;
    ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1);
    const std::string folder = dir.file("board");
    ASSERT_EQ(CliRunner::Cli({"init", "--folder", folder}).status, 0);

    const std::string cli = QUORL_CLI_PATH;
    const std::string writers = "for w in $(seq " + std::to_string(kWriters) + "); do sh -c '" +
                                kWriterScript + "' sh \"$1\" \"$2\" " + std::to_string(kPostsPerWriter) +
                                " $w & done; wait; touch \"$2/done\"";
    const std::string all =
        "sh -c '" + std::string(kReaderScript) + "' sh \"$1\" \"$2\" & (" + writers + "); wait";
    const CliRunner::Result run = CliRunner::Run("/bin/sh", {"-c", all, "sh", cli, folder});
    ASSERT_EQ(run.status, 0) << run.err;

    EXPECT_EQ(TempDir::Read(folder + "/failed"), "");
    std::multiset<int> numbers;
    std::istringstream given(TempDir::Read(folder + "/numbers"));
    for (int number; given >> number;)
        numbers.insert(number);
    const int total = kWriters * kPostsPerWriter;
    ASSERT_EQ(numbers.size(), static_cast<size_t>(total));
    EXPECT_EQ(std::set<int>(numbers.begin(), numbers.end()).size(), numbers.size());
    EXPECT_EQ(*numbers.begin(), 1);
    EXPECT_EQ(*numbers.rbegin(), total);

    const std::string list = CliRunner::Cli({"list", "--folder", folder}).out;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), total);
}

} // namespace
