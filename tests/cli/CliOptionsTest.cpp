#include "cli/CliOptions.h"

#include <gtest/gtest.h>

namespace {

CliRequest Parsed(const std::vector<std::string>& args)
{
    CliRequest request;
    std::string error;
    EXPECT_TRUE(CliOptions::Parse(args, request, error)) << error;
    return request;
}

bool Refused(const std::vector<std::string>& args)
{
    CliRequest request;
    std::string error;
    return !CliOptions::Parse(args, request, error) && !error.empty();
}

TEST(CliOptions, PostTakesOptionsInAnyOrderAndKeepsAttachmentsInOrder)
{
    const CliRequest post = Parsed({"post", "--attach", "a/x.txt", "--priority=0", "--title", "--help",
                                    "--attach=b/x.txt", "--name", "", "--folder", "/srv/board/"});
    EXPECT_EQ(post.command, CliRequest::Command::Post);
    EXPECT_FALSE(post.help);
    EXPECT_EQ(*post.title, "--help");
    EXPECT_EQ(post.priority, 0);
    EXPECT_EQ(*post.name, "");
    EXPECT_EQ(post.folder, "/srv/board/");
    EXPECT_EQ(post.attachments, (std::vector<std::string>{"a/x.txt", "b/x.txt"}));

    const CliRequest defaults = Parsed({"post", "--title", ""});
    EXPECT_EQ(defaults.priority, 2);
    EXPECT_FALSE(defaults.name);
    EXPECT_TRUE(defaults.folder.empty());
    EXPECT_TRUE(Parsed({"post", "--bogus", "--help"}).help);
}

TEST(CliOptions, ValuesAreCheckedAndCanonicalised)
{
    EXPECT_EQ(Parsed({"show", "007"}).number, 7);
    EXPECT_EQ(Parsed({"delete", "2147483647"}).number, 2147483647);
    for (const std::string bad : {"2147483648", "1e3", " 1", "+1", "0x10", ""})
        EXPECT_TRUE(Refused({"show", bad})) << bad;
    EXPECT_EQ(Parsed({"init"}).encoding, "UTF-8");
    EXPECT_EQ(Parsed({"init", "--encoding", "shift_jis"}).encoding, "Shift_JIS");
    EXPECT_EQ(Parsed({"init", "--encoding=utf-8"}).encoding, "UTF-8");
    EXPECT_TRUE(Refused({"init", "--folder="}));
    EXPECT_TRUE(Refused({"list", "--title", "x"}));
    EXPECT_TRUE(Refused({"post", "--title", "x", "--attach"}));
}

} // namespace
