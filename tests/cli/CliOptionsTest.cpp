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

TEST(CliOptions, SendTakesHostAndTextAndDoubleDashEndsTheOptions)
{
    const CliRequest send = Parsed({"send", "--port", "1600", "pcB", "10:30 --help"});
    EXPECT_EQ(send.command, CliRequest::Command::Send);
    EXPECT_EQ(send.host + "|" + send.text, "pcB|10:30 --help");
    EXPECT_EQ(*send.port, 1600);
    EXPECT_FALSE(Parsed({"send", "pcB", ""}).port);
    const CliRequest dashed = Parsed({"send", "pcB", "--", "--help"});
    EXPECT_FALSE(dashed.help);
    EXPECT_EQ(dashed.text, "--help");
    EXPECT_EQ(Parsed({"send", "--", "-h", "-x"}).host, "-h");
}

TEST(CliOptions, NetworkOptionsBelongToTheirCommandsAndAreChecked)
{
    EXPECT_TRUE(Parsed({"post", "--announce", "--title", "t"}).announce);
    EXPECT_FALSE(Parsed({"post", "--title", "--announce"}).announce);
    const CliRequest deleted = Parsed({"delete", "3", "--announce", "--port=1600"});
    EXPECT_TRUE(deleted.announce);
    EXPECT_EQ(deleted.number, 3);
    EXPECT_EQ(*deleted.port, 1600);
    EXPECT_FALSE(Parsed({"delete", "3"}).announce);

    EXPECT_EQ(*Parsed({"listen", "--port", "65535"}).port, 65535);
    const CliRequest listen = Parsed({"listen", "--count", "1", "--timeout", "30"});
    EXPECT_EQ(*listen.count, 1);
    EXPECT_EQ(*listen.timeoutSeconds, 30);
    EXPECT_FALSE(Parsed({"listen"}).count);

    const CliRequest config = Parsed({"config", "--group", "第二", "--user", "", "--popup", "1", "--folder", "/b"});
    EXPECT_EQ(*config.group + "|" + *config.user + "|" + config.folder, "第二||/b");
    EXPECT_EQ(*config.popup, 1);
    EXPECT_FALSE(Parsed({"config"}).group);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"send"}, {"send", "pcB"}, {"send", "", "x"}, {"send", "a", "b", "c"}, {"send", "pcB", "-x"},
             {"send", "h", "t", "--announce"}, {"delete", "3", "--announce=1"}, {"list", "--announce"},
             {"listen", "--port", "0"}, {"listen", "--port", "65536"}, {"listen", "--port", ""},
             {"listen", "--port", "-1"}, {"listen", "--port", "15OO"}, {"listen", "--count", "0"},
             {"listen", "--timeout", "0"}, {"listen", "extra"}, {"config", "--popup", "2"}, {"config", "--title", "x"}})
        EXPECT_TRUE(Refused(bad)) << bad.front() << " " << bad.back();
}

} // namespace
