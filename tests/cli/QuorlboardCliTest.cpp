#include "CliRunner.h"
#include "board/BoardTexts.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "settings/FileSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* kEmptyUtf8Board = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n";
constexpr const char* kEmptySjisBoard = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<root/>\n";

class QuorlboardCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1);
        ASSERT_EQ(Cli({"init"}).status, 0);
    }

    CliRunner::Result Cli(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.end(), {"--folder", folder});
        return CliRunner::Cli(args, input);
    }
    std::string Post(const std::string& title, const std::string& contents,
                     std::vector<std::string> extra = {})
    {
        extra.insert(extra.begin(), {"post", "--title", title});
        const CliRunner::Result posted = Cli(extra, contents);
        EXPECT_EQ(posted.status, 0) << posted.err;
        return posted.out;
    }
    std::string Field(const std::string& number, const std::string& name)
    {
        const std::string shown = Cli({"show", number}).out;
        const size_t start = shown.find(name + ": ") + name.size() + 2;
        return shown.substr(start, shown.find('\n', start) - start);
    }
    std::vector<std::string> ListedNumbers()
    {
        std::vector<std::string> numbers;
        const std::string list = Cli({"list"}).out;
        for (size_t start = 0; start < list.size(); start = list.find('\n', start) + 1)
            numbers.push_back(list.substr(start, list.find('\t', start) - start));
        return numbers;
    }
    std::string AttachFolder(const std::string& number)
    {
        return folder + "/attach/" + HostIdentity::HostName() + "_" + Field(number, "date");
    }

    TempDir dir;
    TempDir config;
    std::string folder = dir.file("shared/board");
    std::string board = folder + "/BoardData.xml";
};

TEST_F(QuorlboardCli, InitCreatesEmptyBoardsInEitherEncodingAndNeverReplacesOne)
{
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
    const CliRunner::Result again = Cli({"init", "--encoding", "Shift_JIS"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);

    folder = dir.file("sjis");
    ASSERT_EQ(Cli({"init", "--encoding", "Shift_JIS"}).status, 0);
    EXPECT_EQ(TempDir::Read(folder + "/BoardData.xml"), kEmptySjisBoard);
    EXPECT_EQ(Post("会議", "本文"), "1\n");
    const std::string bytes = TempDir::Read(folder + "/BoardData.xml");
    EXPECT_NE(bytes.find(Cp932Codec::FromUtf8("<title>会議</title>")), std::string::npos);
    EXPECT_EQ(Field("1", "title"), "会議");
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
}

TEST_F(QuorlboardCli, PostListShowDeleteRoundTrip)
{
    const std::string contents = "一行目 & < > \" '\n二行目\n";
    EXPECT_EQ(Post("お知らせ <重要> & \"'", contents, {"--priority", "0", "--name", "山田"}), "1\n");
    EXPECT_EQ(Post("二件目", "末尾に改行なし"), "2\n");

    const CliRunner::Result shown = Cli({"show", "1"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const std::string date = Field("1", "date");
    EXPECT_EQ(date.size(), 14u);
    EXPECT_EQ(shown.out, "title: お知らせ <重要> & \"'\nname: 山田\npriority: 0\nattach: 0\ndate: " + date +
                             "\nhostname: " + HostIdentity::HostName() + "\nnumber: 1\n\n" + contents);
    EXPECT_TRUE(Cli({"show", "2"}).out.ends_with("number: 2\n\n末尾に改行なし\n"));
    EXPECT_EQ(Field("2", "priority"), "2");
    EXPECT_EQ(Field("2", "name"), HostIdentity::LoginName());

    const std::string list = Cli({"list"}).out;
    EXPECT_EQ(list.substr(0, list.find('\n')),
              "1\t0\t0\t" + date + "\t" + HostIdentity::HostName() + "\t山田\tお知らせ <重要> & \"'");
    EXPECT_EQ(list.find("2\t2\t0\t"), list.find('\n') + 1);

    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_EQ(Cli({"show", "1"}).status, 1);
    EXPECT_EQ(Post("三件目", ""), "3\n");
    EXPECT_TRUE(Cli({"show", "3"}).out.ends_with("number: 3\n\n"));
    EXPECT_EQ(ListedNumbers(), (std::vector<std::string>{"2", "3"}));
}

TEST_F(QuorlboardCli, ListEscapesSeparatorsAndKeepsCp932TrailBytes)
{
    Post("a\tb\\c\nd ソース", "x");
    const std::string line = Cli({"list"}).out;
    EXPECT_EQ(line.substr(line.rfind('\t', line.size() - 1) + 1), "a\\tb\\\\c\\nd ソース\n");
    EXPECT_EQ(Field("1", "title"), "a\tb\\c");

    const CliRunner::Result lossy = Cli({"post", "--title", "絵文字😀"}, "x");
    EXPECT_EQ(lossy.status, 0);
    EXPECT_NE(lossy.err.find("warning"), std::string::npos);
    EXPECT_EQ(Field("2", "title"), "絵文字?");
}

TEST_F(QuorlboardCli, AttachmentsAreCopiedByBaseNameAndRemovedWithTheMessage)
{
    fs::create_directories(dir.file("a"));
    fs::create_directories(dir.file("b"));
    TempDir::Write(dir.file("a/report.txt"), "first");
    TempDir::Write(dir.file("b/report.txt"), "second");
    TempDir::Write(dir.file("a/図面.pdf"), std::string("%PDF\0\x01\xff", 7));
    Post("添付", "x",
         {"--attach", dir.file("a/report.txt"), "--attach", dir.file("a/図面.pdf"), "--attach",
          dir.file("b/report.txt")});
    EXPECT_EQ(Field("1", "attach"), "1");
    const std::string attached = AttachFolder("1");
    EXPECT_EQ(TempDir::Read(attached + "/report.txt"), "second");
    EXPECT_EQ(TempDir::Read(attached + "/図面.pdf"), std::string("%PDF\0\x01\xff", 7));
    EXPECT_EQ(std::distance(fs::directory_iterator(attached), fs::directory_iterator()), 2);

    for (const std::string& bad : {dir.file("missing.txt"), dir.file("a")}) {
        const CliRunner::Result refused = Cli({"post", "--title", "x", "--attach", bad}, "x");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(bad), std::string::npos);
    }
    EXPECT_EQ(Cli({"show", "2"}).status, 1);

    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_FALSE(fs::exists(attached));
    EXPECT_TRUE(fs::exists(folder + "/attach"));

    fs::remove_all(folder + "/attach");
    TempDir::Write(folder + "/attach", "a file in the way");
    const CliRunner::Result uncopied =
        Cli({"post", "--title", "x", "--attach", dir.file("a/report.txt")}, "x");
    EXPECT_EQ(uncopied.status, 1);
    EXPECT_NE(uncopied.err.find("message 2 was added"), std::string::npos) << uncopied.err;
    EXPECT_TRUE(uncopied.out.empty());
}

TEST_F(QuorlboardCli, ALinkPlantedInTheAttachmentFolderIsNotWrittenThrough)
{
    // The folder's name is predictable: plant links for the next seconds.
    TempDir::Write(dir.file("victim.txt"), "keep me");
    TempDir::Write(dir.file("note.txt"), "attached");
    const std::time_t now = std::time(nullptr);
    for (int second = 0; second < 5; ++second) {
        const std::time_t when = now + second;
        std::tm local{};
        localtime_r(&when, &local);
        char date[32];
        std::strftime(date, sizeof date, "%Y%m%d%H%M%S", &local);
        const std::string planted = folder + "/attach/" + HostIdentity::HostName() + "_" + date;
        fs::create_directories(planted);
        fs::create_symlink(dir.file("victim.txt"), planted + "/note.txt");
    }
    const CliRunner::Result posted = Cli({"post", "--title", "x", "--attach", dir.file("note.txt")}, "x");
    EXPECT_EQ(posted.status, 1);
    EXPECT_EQ(TempDir::Read(dir.file("victim.txt")), "keep me");
}

TEST_F(QuorlboardCli, DeleteOnlyMessagesOfThisComputer)
{
    const std::string host = HostIdentity::HostName();
    TempDir::Write(board,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root number=\"5\">\n"
                   "<message date=\"20021201090507\" hostname=\"other-pc\" priority=\"2\" attach=\"1\" "
                   "number=\"4\"><title>t</title><name>n</name><contents>c</contents></message>\n"
                   "<message date=\"20021201090508\" hostname=\"" +
                       host +
                       "\" priority=\"2\" "
                       "attach=\"0\" number=\"5\"><title>t</title><name>n</name><contents/></message>\n"
                       "</root>\n");
    fs::create_directories(folder + "/attach/other-pc_20021201090507");
    fs::create_directories(folder + "/attach/" + host + "_20021201090508");

    const CliRunner::Result refused = Cli({"delete", "4"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("other-pc"), std::string::npos);
    EXPECT_EQ(Cli({"show", "4"}).status, 0);
    EXPECT_TRUE(fs::exists(folder + "/attach/other-pc_20021201090507"));

    EXPECT_EQ(Cli({"delete", "5"}).status, 0);
    EXPECT_FALSE(fs::exists(folder + "/attach/" + host + "_20021201090508"));
    EXPECT_EQ(ListedNumbers(), std::vector<std::string>{"4"});
}

TEST_F(QuorlboardCli, FailuresExitWithOneAndTheStoreText)
{
    const std::string noSuch = std::string(BoardTexts::kNoSuchMessage) + "\n";
    EXPECT_EQ(Cli({"show", "7"}).err, noSuch);
    EXPECT_EQ(Cli({"delete", "7"}).err, noSuch);
    const CliRunner::Result zero = Cli({"delete", "0"});
    EXPECT_EQ(zero.status, 1);
    EXPECT_EQ(zero.err, std::string(BoardTexts::kInvalidNumber) + "\n");

    folder = dir.file("nowhere");
    EXPECT_EQ(Cli({"list"}).err, std::string(BoardTexts::kCannotRead) + "\n");
    EXPECT_EQ(Cli({"show", "1"}).err, std::string(BoardTexts::kReadError) + "\n");
    EXPECT_EQ(Cli({"post", "--title", "x"}, "y").status, 1);
    EXPECT_EQ(Cli({"delete", "1"}).status, 1);
    EXPECT_FALSE(fs::exists(folder));

    const CliRunner::Result unset = CliRunner::Cli({"list"});
    EXPECT_EQ(unset.status, 1);
    EXPECT_NE(unset.err.find("--folder"), std::string::npos);
}

TEST_F(QuorlboardCli, WithoutFolderOptionTheStoredSettingsDecide)
{
    {
        FileSettingsBackend backend(FileSettingsBackend::DefaultFilePath());
        GroupSettings group;
        const std::string storedFolder = Cp932Codec::FromUtf8(folder + "/");
        const std::string user = Cp932Codec::FromUtf8("鈴木");
        storedFolder.copy(group.messageFolder, sizeof group.messageFolder - 1);
        user.copy(group.userName, sizeof group.userName - 1);
        Cp932Codec::FromUtf8("営業").copy(group.groupName, sizeof group.groupName - 1);
        SettingsStore(backend).WriteGroupSettings(group);
    }
    const CliRunner::Result posted = CliRunner::Cli({"post", "--title", "設定から"}, "x");
    ASSERT_EQ(posted.status, 0) << posted.err;
    EXPECT_EQ(Field("1", "name"), "鈴木");
    EXPECT_NE(CliRunner::Cli({"list"}).out.find("鈴木\t設定から"), std::string::npos);
    EXPECT_EQ(CliRunner::Cli({"show", "1", "--folder", dir.file("elsewhere")}).status, 1);
}

TEST_F(QuorlboardCli, WrongUsageExitsWithTwoAndHelpWithZero)
{
    const std::vector<std::vector<std::string>> wrong = {{},
                                                         {"frobnicate"},
                                                         {"list", "--bogus"},
                                                         {"list", "extra"},
                                                         {"list", "--folder"},
                                                         {"show"},
                                                         {"show", "abc"},
                                                         {"show", "1", "2"},
                                                         {"show", "-1"},
                                                         {"show", "2147483648"},
                                                         {"post"},
                                                         {"post", "--title", "x", "--priority", "3"},
                                                         {"init", "--encoding", "latin1"},
                                                         {"delete", "1x"},
                                                         {"--folder", "x", "list"}};
    for (const auto& args : wrong) {
        const CliRunner::Result result = CliRunner::Cli(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(result.err.find("Usage:"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
    for (const std::string command : {"init", "list", "show", "post", "delete"}) {
        const CliRunner::Result help = CliRunner::Cli({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.find("Usage: quorlboard-cli " + command), 0u) << help.out;
    }
    EXPECT_EQ(CliRunner::Cli({"--help"}).status, 0);
    EXPECT_EQ(CliRunner::Cli({"--version"}).out.rfind("quorlboard-cli ", 0), 0u);
}

} // namespace
