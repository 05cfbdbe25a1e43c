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

TEST(CommandLine, APositiveDecimalNumberIsThePortForTheRun)
{
    EXPECT_EQ(Parse({"1600"}).port, 1600);
    EXPECT_EQ(Parse({"  1700"}).port, 1700);
    EXPECT_EQ(Parse({"1800abc"}).port, 1800); // leading digits, as the C runtime reads them
    EXPECT_EQ(Parse({"65535"}).port, 65535);
    EXPECT_FALSE(Parse({}).port.has_value());
}

TEST(CommandLine, ZeroNegativeOrNonNumericTextKeepsTheStoredPort)
{
    for (const char* text : {"0", "-5", "abc", ""}) {
        CommandLine line = Parse({text});
        EXPECT_FALSE(line.port.has_value()) << text;
        EXPECT_TRUE(line.error.isEmpty()) << text;
    }
}

TEST(CommandLine, OutOfRangeOrOverlongArgumentsAreErrorsNotWrappedPorts)
{
    EXPECT_FALSE(Parse({"65536"}).error.isEmpty());
    EXPECT_FALSE(Parse({"99999999999999999999"}).error.isEmpty());
    EXPECT_FALSE(Parse({"1600", "1700"}).error.isEmpty());
    EXPECT_FALSE(Parse({"65536"}).port.has_value());
}

TEST(CommandLine, HelpAndVersionAreUnderstood)
{
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_TRUE(CommandLine::Usage().contains(QStringLiteral("--version")));
}

} // namespace
