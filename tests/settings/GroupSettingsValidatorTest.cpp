#include "settings/GroupSettingsValidator.h"

#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <pwd.h>

namespace {

using Field = GroupSettingsValidator::Field;
using Problem = GroupSettingsValidator::Problem;

std::string Times(const std::string& text, int times)
{
    return times == 0 ? "" : text + Times(text, times - 1);
}

TEST(GroupSettingsValidatorTest, EachFieldIsRefusedForWhatWouldHarmTheRecordTheStoreOrTheDatagrams)
{
    struct Case
    {
        std::string user = "山田", group = "グループ１", folder = "/srv/board";
        std::optional<int64_t> port = 1500;
        Field field = Field::UserName;
        Problem problem = Problem::None;
    };
    const Case cases[] = {
        {.user = "a" + Times("あ", 31), .port = 60000},
        {.user = "José😀", .problem = Problem::Unusable},
        {.user = "山田：総務"}, // the full-width colon is another character
        {.port = std::nullopt, .field = Field::Port, .problem = Problem::NotNumber},
        {.port = 60001, .field = Field::Port, .problem = Problem::OutOfRange},
        {.group = "営業:東京\\ソFont"}, // "ソ" ends in the byte of '\'
        {.group = "", .field = Field::GroupName, .problem = Problem::Empty},
        {.group = "\\\\", .field = Field::GroupName, .problem = Problem::Empty},
        {.group = Times("あ", 32), .field = Field::GroupName, .problem = Problem::TooLong},
        {.group = "Font\\x", .field = Field::GroupName, .problem = Problem::Reserved},
        {.group = "x\\COLOR", .field = Field::GroupName, .problem = Problem::Reserved},
        {.folder = "", .field = Field::MessageFolder, .problem = Problem::Empty},
        {.folder = "/" + std::string(257, 'd')},
        {.folder = "/" + std::string(258, 'd'), .field = Field::MessageFolder, .problem = Problem::TooLong},
        {.folder = "/srv/a〜b", .field = Field::MessageFolder, .problem = Problem::Unusable},
        {.folder = "~no-such-user-here/x", .field = Field::MessageFolder, .problem = Problem::NoHome},
    };
    for (const Case& c : cases) {
        GroupSettingsValidator::Values values{c.user, c.group, c.folder, c.port};
        GroupSettings settings;
        settings.popupOnReceipt = 1;
        const auto refusal = GroupSettingsValidator::Check(values, settings);
        const std::string label = c.user + "|" + c.group + "|" + c.folder;
        EXPECT_EQ(refusal.problem, c.problem) << label;
        if (refusal) {
            EXPECT_EQ(refusal.field, c.field) << label;
            EXPECT_EQ(settings.userName[0], '\0') << "a refused record is untouched: " << label;
            continue;
        }
        EXPECT_EQ(Cp932Codec::ToUtf8(settings.userName) + "|" + Cp932Codec::ToUtf8(settings.groupName) + "|" +
                      Cp932Codec::ToUtf8(settings.messageFolder),
                  c.user + "|" + c.group + "|" + values.messageFolder);
        EXPECT_EQ(settings.portNumber * 10 + settings.popupOnReceipt, *c.port * 10 + 1);
    }
}

TEST(GroupSettingsValidatorTest, FoldersAreMadeAbsoluteWithTheirHomeExpandedAndEndInOneSeparator)
{
    ::setenv("HOME", "/home/yamada", 1);
    const std::string cwd = std::filesystem::current_path().string();
    const passwd* root = ::getpwuid(0);
    ASSERT_NE(root, nullptr);
    const std::pair<const char*, std::string> cases[] = {
        {"/srv/./x/../board//", "/srv/board/"},
        {"rel/board", cwd + "/rel/board/"},
        {"~/board", "/home/yamada/board/"},
        {"~root/board", std::string(root->pw_dir) + "/board/"},
        {"a~/b", cwd + "/a~/b/"},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(GroupSettingsValidator::AbsoluteFolder(typed).value_or("none"), stored) << typed;
}

} // namespace
