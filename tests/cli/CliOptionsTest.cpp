#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Args = std::vector<std::string>;

// The request as "command field=value ...", leaving out values not given; "refused" with the reason.
std::string Parsed(const Args& args)
{
    CliRequest r;
    if (const Status parsed = CliOptions::Parse(args, r); !parsed.ok())
        return parsed.Text().empty() ? "refused without a reason" : "refused";
    std::ostringstream s;
    s << CliOptions::CommandName(r.command) << (r.help ? " help" : "") << (r.version ? " version" : "");
    const auto given = [&](const char* name, const auto& value) {
        if (value)
            s << ' ' << name << '=' << *value;
    };
    if (!r.folder.empty())
        s << " folder=" << r.folder;
    if (r.command == CliRequest::Command::Init)
        s << " encoding=" << r.encoding;
    if (r.number != 0)
        s << " number=" << r.number;
    given("title", r.title);
    given("name", r.name);
    if (r.command == CliRequest::Command::Post)
        s << " priority=" << r.priority;
    for (const std::string& file : r.attachments)
        s << " attach=" << file;
    s << (r.announce ? " announce" : "");
    given("port", r.port);
    if (!r.host.empty())
        s << " host=" << r.host << " text=" << r.text;
    given("count", r.count);
    given("timeout", r.timeoutSeconds);
    given("group", r.group);
    given("user", r.user);
    given("popup", r.popup);
    return s.str();
}

TEST(CliOptions, OptionsInAnyOrderValuesCanonicalisedAndHelpNeverTakenFromAValue)
{
    const std::pair<Args, std::string> cases[] = {
        {{"post", "--attach", "a/x.txt", "--priority=0", "--title", "--help", "--attach=b/x.txt", "--name", "",
          "--folder", "/srv/board/"},
         "post folder=/srv/board/ title=--help name= priority=0 attach=a/x.txt attach=b/x.txt"},
        {{"post", "--title", ""}, "post title= priority=2"}, {{"post", "--bogus", "--help"}, "post help priority=2"},
        {{"--help"}, " help"}, {{"--version"}, " version"}, {{"show", "007"}, "show number=7"},
        {{"delete", "2147483647"}, "delete number=2147483647"}, {{"init"}, "init encoding=UTF-8"},
        {{"init", "--encoding", "shift_jis"}, "init encoding=Shift_JIS"},
        {{"init", "--encoding=utf-8"}, "init encoding=UTF-8"},
        {{"send", "--port", "1600", "pcB", "10:30 --help"}, "send port=1600 host=pcB text=10:30 --help"},
        {{"send", "pcB", ""}, "send host=pcB text="}, {{"send", "pcB", "--", "--help"}, "send host=pcB text=--help"},
        {{"send", "--", "-h", "-x"}, "send host=-h text=-x"},
        {{"post", "--announce", "--title", "t"}, "post title=t priority=2 announce"},
        {{"post", "--title", "--announce"}, "post title=--announce priority=2"},
        {{"delete", "3", "--announce", "--port=1600"}, "delete number=3 announce port=1600"},
        {{"listen", "--port", "65535"}, "listen port=65535"},
        {{"listen", "--count", "1", "--timeout", "30"}, "listen count=1 timeout=30"},
        {{"config", "--group", "第二", "--user", "", "--popup", "1", "--folder", "/b"},
         "config folder=/b group=第二 user= popup=1"},
        {{"config"}, "config"},
    };
    for (const auto& [args, request] : cases)
        EXPECT_EQ(Parsed(args), request) << ::testing::PrintToString(args);
}

TEST(CliOptions, WrongUsageIsRefusedWithAReason)
{
    const Args wrong[] = {
        {}, {"frobnicate"}, {"--folder", "x", "list"}, {"list", "--bogus"}, {"list", "extra"}, {"list", "--folder"},
        {"list", "--title", "x"}, {"init", "--folder="}, {"init", "--encoding", "latin1"}, {"show"},
        {"show", "1", "2"}, {"show", "-1"}, {"show", "2147483648"}, {"show", "1e3"}, {"show", " 1"}, {"show", "+1"},
        {"show", "0x10"}, {"show", ""}, {"delete", "1x"}, {"post"}, {"post", "--title", "x", "--priority", "3"},
        {"post", "--title", "x", "--attach"}, {"send"}, {"send", "pcB"}, {"send", "", "x"}, {"send", "a", "b", "c"},
        {"send", "pcB", "-x"}, {"send", "h", "t", "--announce"}, {"delete", "3", "--announce=1"},
        {"list", "--announce"}, {"listen", "--port", "0"}, {"listen", "--port", "65536"}, {"listen", "--port", ""},
        {"listen", "--port", "-1"}, {"listen", "--port", "15OO"}, {"listen", "--count", "0"},
        {"listen", "--timeout", "0"}, {"listen", "extra"}, {"config", "--popup", "2"}, {"config", "--title", "x"}};
    for (const Args& args : wrong)
        EXPECT_EQ(Parsed(args), "refused") << ::testing::PrintToString(args);
}

} // namespace
