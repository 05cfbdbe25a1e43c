#include "CliProcess.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "settings/FileSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// "あ", two bytes in CP932, the given number of times.
std::string Wide(int times)
{
    std::string text;
    while (times-- > 0)
        text += "あ";
    return text;
}

class CliConfig : public ::testing::Test
{
protected:
    void SetUp() override { ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1); }

    static CliProcess::Result Config(std::vector<std::string> args)
    {
        args.insert(args.begin(), "config");
        return CliProcess::Run(args);
    }
    // "group|folder|user|port|popup" of the current group as stored, in UTF-8.
    std::string Stored()
    {
        FileSettingsBackend backend(settingsFile);
        GroupSettings s;
        if (SettingsStore(backend).ReadGroupSettings(s) != SettingsStore::kRead)
            return "nothing";
        return Cp932Codec::ToUtf8(s.groupName) + "|" + Cp932Codec::ToUtf8(s.messageFolder) + "|" +
               Cp932Codec::ToUtf8(s.userName) + "|" + std::to_string(s.portNumber) + "|" +
               std::to_string(s.popupOnReceipt);
    }

    TempDir config;
    const std::string settingsFile = config.file(FileSettingsBackend::kFileName);
};

TEST_F(CliConfig, ShowsTheDefaultsThenStoresChangesInTheCurrentGroup)
{
    const CliProcess::Result shown = Config({});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out,
              "group: グループ１\nfolder: \nuser: " + HostIdentity::LoginName() + "\nport: 1500\npopup: 0\n");
    EXPECT_NE(shown.err.find("defaults"), std::string::npos);
    // A first change starts from the defaults and must name a folder.
    const CliProcess::Result folderless = Config({"--user", "x"});
    EXPECT_EQ(folderless.status, 2);
    EXPECT_NE(folderless.err.find("folder"), std::string::npos) << folderless.err;
    EXPECT_EQ(Stored(), "nothing");

    const std::string absolute = (fs::current_path() / "rel/board").string() + "/";
    ASSERT_EQ(Config({"--folder", "rel/board", "--user", "山田", "--port", "1600", "--popup", "1"}).status, 0);
    EXPECT_EQ(Stored(), "グループ１|" + absolute + "|山田|1600|1");
    EXPECT_EQ(Config({}).out, "group: グループ１\nfolder: " + absolute + "\nuser: 山田\nport: 1600\npopup: 1\n");

    // Only what is given changes; a folder that ends in '/' gets no second one.
    ASSERT_EQ(Config({"--popup", "0", "--folder", "/srv/ボード/"}).status, 0);
    EXPECT_EQ(Stored(), "グループ１|/srv/ボード/|山田|1600|0");

    // Another group becomes the current one, taking the values along; going
    // back to a group that exists brings its own values back.
    ASSERT_EQ(Config({"--group", "第二", "--port", "1700"}).status, 0);
    EXPECT_EQ(Stored(), "第二|/srv/ボード/|山田|1700|0");
    ASSERT_EQ(Config({"--group", "グループ１"}).status, 0);
    EXPECT_EQ(Stored(), "グループ１|/srv/ボード/|山田|1600|0");
    ASSERT_EQ(Config({"--group", "第二"}).status, 0);
    EXPECT_EQ(Stored(), "第二|/srv/ボード/|山田|1700|0");

    // The board commands use the stored folder and user unless told otherwise.
    ASSERT_EQ(Config({"--folder", config.file("board")}).status, 0);
    EXPECT_EQ(CliProcess::Run({"init"}).status, 0);
    EXPECT_EQ(CliProcess::Run({"post", "--title", "設定から"}, "x").out, "1\n");
    EXPECT_NE(TempDir::Read(config.file("board/BoardData.xml")).find("<name>山田</name>"), std::string::npos);
    EXPECT_EQ(CliProcess::Run({"show", "1", "--folder", config.file("elsewhere")}).status, 1);
}

TEST_F(CliConfig, ValuesTheSettingsWindowWouldRefuseChangeNothing)
{
    const std::string longestFolder = "/" + std::string(257, 'd'); // 259 bytes with the '/' added
    ASSERT_EQ(Config({"--folder", longestFolder, "--port", "1500"}).status, 0);
    EXPECT_EQ(Config({"--port", "60000"}).status, 0);
    EXPECT_EQ(Config({"--user", "a" + Wide(31)}).status, 0); // 63 bytes in CP932
    EXPECT_EQ(Config({"--group", "g" + Wide(31)}).status, 0);
    const std::string before = TempDir::Read(settingsFile);

    const std::vector<std::vector<std::string>> refused = {
        {"--port", "1499"}, {"--port", "60001"}, {"--port", "0"}, {"--port", "1600x"}, {"--popup", "2"},
        {"--folder", ""}, {"--folder", "/" + std::string(258, 'd')}, {"--folder", "/srv/böard"},
        {"--user", Wide(32)}, {"--user", "José😀"}, {"--user", "ok", "--port", "70000"},
        {"--group", Wide(32)}, {"--group", ""}, {"--user", "山田:総務"}, {"--folder", "~no-such-user-here/x"},
        // keys of other settings are no groups, nor any key on a group's path
        {"--group", "Font"}, {"--group", "clientsize"}, {"--group", "title\\size"}, {"--group", "Font\\x"},
    };
    for (const std::vector<std::string>& args : refused) {
        const CliProcess::Result result = Config(args);
        EXPECT_EQ(result.status, 2) << args.at(0) << " " << args.at(1);
        EXPECT_EQ(result.err.rfind("quorlboard-cli: ", 0), 0u) << result.err;
        EXPECT_EQ(TempDir::Read(settingsFile), before) << args.at(0) << " " << args.at(1);
    }
    EXPECT_NE(Config({"--user", "山田:総務"}).err.find("':'"), std::string::npos);
}

TEST_F(CliConfig, AHomeFolderIsExpandedAndBackslashesArePrintedAsStored)
{
    ::setenv("HOME", config.path().c_str(), 1);
    ASSERT_EQ(Config({"--folder", "~/board", "--group", "営業\\東京", "--user", "a\\b"}).status, 0);
    EXPECT_EQ(Config({}).out,
              "group: 営業\\東京\nfolder: " + config.path() + "/board/\nuser: a\\b\nport: 1500\npopup: 0\n");
}

TEST_F(CliConfig, ASettingsFileTooLargeToBeSettingsIsAnErrorAndLeftAlone)
{
    TempDir::Write(settingsFile, "[Software\\QuorlBoard]\n");
    const off_t huge = off_t(1) << 36; // sparse
    ASSERT_EQ(::truncate(settingsFile.c_str(), huge), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"config"}, {"config", "--port", "1600"}, {"list", "--folder", config.path()}}) {
        const CliProcess::Result result = CliProcess::Run(args);
        EXPECT_EQ(result.status, 1) << args.at(0);
        EXPECT_EQ(result.err.rfind("quorlboard-cli: the settings file " + settingsFile + " is larger than", 0), 0u)
            << result.err;
    }
    EXPECT_EQ(fs::file_size(settingsFile), static_cast<uintmax_t>(huge));
    EXPECT_FALSE(fs::exists(settingsFile + FileSettingsBackend::kDamagedSuffix));
}

} // namespace
