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
    s << CliOptions::CommandName(r.command) << (r.help ? " help" : "");
    const auto given = [&](const char* name, const auto& value) {
        if (value)
            s << ' ' << name << '=' << *value;
    };
    if (!r.folder.empty())
        s << " folder=" << r.folder;
    given("title", r.title);
    given("name", r.name);
    if (r.command == CliRequest::Command::Post)
        s << " priority=" << r.priority;
    for (const std::string& file : r.attachments)
        s << " attach=" << file;
    if (!r.host.empty())
        s << " host=" << r.host << " text=" << r.text;
    return s.str();
}

TEST(CliOptions, OptionsInAnyOrderValuesCanonicalisedAndHelpNeverTakenFromAValue)
{
    const std::pair<Args, std::string> cases[] = {
        {{"post", "--attach", "a/x.txt", "--priority=0", "--title", "--help", "--attach=b/x.txt", "--name", "",
          "--folder", "/srv/board/"},
         "post folder=/srv/board/ title=--help name= priority=0 attach=a/x.txt attach=b/x.txt"},
        {{"post", "--bogus", "--help"}, "post help priority=2"},
        {{"send", "pcB", "--", "--help"}, "send host=pcB text=--help"}, {{"send", "--", "-h", "-x"}, "send host=-h text=-x"},
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
        {"list", "--announce"}, {"send", "h", "t", "--port", "0"}, {"listen", "--port", "65536"}, {"listen", "--port", ""},
        {"listen", "--port", "-1"}, {"listen", "--port", "15OO"}, {"listen", "--count", "0"},
        {"listen", "--timeout", "0"}, {"listen", "extra"}, {"config", "--popup", "2"}, {"config", "--title", "x"}};
    for (const Args& args : wrong)
        EXPECT_EQ(Parsed(args), "refused") << ::testing::PrintToString(args);
}

} // namespace
