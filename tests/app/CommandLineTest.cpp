#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine Parse(std::initializer_list<const char*> arguments)
{
    QStringList list;
    for (const char* argument : arguments)
        list << QString::fromUtf8(argument);
    return CommandLine::Parse(list);
}

TEST(CommandLine, APositiveNumberIsThePortForTheRunOtherTextKeepsTheStoredOneAndOverflowIsAnError)
{
    struct Case
    {
        const char* argument; // none when null
        std::optional<int32_t> port;
        bool error = false;
    };
    const Case cases[] = {
        {"1600", 1600}, {"  1700", 1700}, {"1800abc", 1800}, // leading digits, as the C runtime reads them
        {"65535", 65535}, {nullptr, {}}, {"0", {}}, {"-5", {}}, {"abc", {}}, {"", {}},
        {"65536", {}, true}, {"99999999999999999999", {}, true}, {"--bogus", {}, true}, {"-x", {}, true},
    };
    for (const Case& c : cases) {
        const CommandLine line = c.argument != nullptr ? Parse({c.argument}) : Parse({});
        EXPECT_EQ(line.port, c.port) << (c.argument != nullptr ? c.argument : "none");
        EXPECT_EQ(line.error.isEmpty(), !c.error) << (c.argument != nullptr ? c.argument : "none");
    }
    EXPECT_FALSE(Parse({"1600", "1700"}).error.isEmpty());
    EXPECT_TRUE(Parse({"--help"}).help && Parse({"-h"}).help && Parse({"--version"}).version);
    EXPECT_TRUE(CommandLine::Usage().contains(QStringLiteral("--version")));
}

} // namespace
