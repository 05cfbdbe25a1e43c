#include "CliProcess.h"
#include "board/BoardTexts.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "support/BoardXml.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kEmptyUtf8Board = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n";
constexpr const char* kEmptySjisBoard = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<root/>\n";

using Result = CliProcess::Result;

// "status|out|err" of a run.
std::string Said(const Result& result)
{
    return std::to_string(result.status) + "|" + result.out + "|" + result.err;
}

class QuorlboardCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1);
        ASSERT_EQ(Cli({"init"}).status, 0);
    }

    Result Cli(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.end(), {"--folder", folder});
        return CliProcess::Run(args, input);
    }
    std::string Post(const std::string& title, const std::string& contents,
                     std::vector<std::string> extra = {})
    {
        extra.insert(extra.begin(), {"post", "--title", title});
        const Result posted = Cli(extra, contents);
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

    TempDir dir;
    TempDir config;
    std::string folder = dir.file("shared/board");
    std::string board = folder + "/BoardData.xml";
};

TEST_F(QuorlboardCli, InitCreatesEmptyBoardsInEitherEncodingAndNeverReplacesOne)
{
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
    const Result again = Cli({"init", "--encoding", "Shift_JIS"});
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

    const Result shown = Cli({"show", "1"});
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

    // List escapes its separators but not the CP932 trail byte 5C (ソ); show keeps the title whole.
    EXPECT_EQ(Post("a\tb\\c\nd ソース", "x"), "4\n");
    const std::string line = Cli({"list"}).out;
    EXPECT_EQ(line.substr(line.rfind('\t', line.size() - 1) + 1), "a\\tb\\\\c\\nd ソース\n");
    EXPECT_EQ(Field("4", "title"), "a\tb\\c");
    const Result lossy = Cli({"post", "--title", "絵文字😀"}, "x");
    EXPECT_EQ(lossy.status, 0);
    EXPECT_NE(lossy.err.find("warning"), std::string::npos);
    EXPECT_EQ(Field("5", "title"), "絵文字?");
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
    const std::string attached = folder + "/attach/" + HostIdentity::HostName() + "_" + Field("1", "date");
    EXPECT_EQ(TempDir::Read(attached + "/report.txt"), "second");
    EXPECT_EQ(TempDir::Read(attached + "/図面.pdf"), std::string("%PDF\0\x01\xff", 7));
    EXPECT_EQ(std::distance(fs::directory_iterator(attached), fs::directory_iterator()), 2);

    for (const std::string& bad : {dir.file("missing.txt"), dir.file("a")}) {
        const Result refused = Cli({"post", "--title", "x", "--attach", bad}, "x");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(bad), std::string::npos);
    }
    EXPECT_EQ(Cli({"show", "2"}).status, 1);

    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_FALSE(fs::exists(attached));
    EXPECT_TRUE(fs::exists(folder + "/attach"));

    fs::remove_all(folder + "/attach");
    TempDir::Write(folder + "/attach", "a file in the way");
    const Result uncopied = Cli({"post", "--title", "x", "--attach", dir.file("a/report.txt")}, "x");
    EXPECT_EQ(uncopied.status, 1);
    EXPECT_NE(uncopied.err.find("message 2 was added"), std::string::npos) << uncopied.err;
    EXPECT_TRUE(uncopied.out.empty());
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

    const Result refused = Cli({"delete", "4"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("other-pc"), std::string::npos);
    EXPECT_EQ(Cli({"show", "4"}).status, 0);
    EXPECT_TRUE(fs::exists(folder + "/attach/other-pc_20021201090507"));

    EXPECT_EQ(Cli({"delete", "5"}).status, 0);
    EXPECT_FALSE(fs::exists(folder + "/attach/" + host + "_20021201090508"));
    EXPECT_EQ(ListedNumbers(), std::vector<std::string>{"4"});
}

// Messages of this computer in every second around now, the first two in one
// second (written before dates were kept apart), so sharing a folder.
TEST_F(QuorlboardCli, APostInATakenSecondGetsAFolderOfItsOwnAndDeleteLeavesASharedFolder)
{
    const std::string host = HostIdentity::HostName();
    const std::string sharedDate = "20021201090507";
    std::vector<std::pair<std::string, std::string>> stored = {{host, sharedDate}, {host, sharedDate}};
    for (const std::string& date : DatesAroundNow(-2, 60))
        stored.emplace_back(host, date);
    TempDir::Write(board, BoardXml(stored));
    const std::string shared = folder + "/attach/" + host + "_" + sharedDate;
    fs::create_directories(shared);
    TempDir::Write(shared + "/a.txt", "a");
    TempDir::Write(dir.file("b.txt"), "b");

    const std::string number = std::to_string(stored.size() + 1);
    EXPECT_EQ(Post("t", "c", {"--attach", dir.file("b.txt")}), number + "\n");
    const std::string date = Field(number, "date");
    EXPECT_EQ(std::count_if(stored.begin(), stored.end(), [&](const auto& message) { return message.second == date; }),
              0);
    EXPECT_EQ(TempDir::Read(folder + "/attach/" + host + "_" + date + "/b.txt"), "b");

    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_TRUE(fs::exists(shared + "/a.txt"));
    EXPECT_EQ(Cli({"delete", "2"}).status, 0);
    EXPECT_FALSE(fs::exists(shared));
}

TEST_F(QuorlboardCli, FailuresExitWithOneAndTheStoreTextNamingTheBoardWhenItIsTheCause)
{
    const auto failed = [](const char* text) { return "1||quorlboard-cli: " + std::string(text) + "\n"; };
    EXPECT_EQ(Said(Cli({"show", "7"})), failed(BoardTexts::kNoSuchMessage));
    EXPECT_EQ(Said(Cli({"delete", "7"})), failed(BoardTexts::kNoSuchMessage));
    EXPECT_EQ(Said(Cli({"delete", "0"})), failed(BoardTexts::kInvalidNumber));
    TempDir::Write(board, "<root>");
    EXPECT_EQ(Said(Cli({"list"})), "1||quorlboard-cli: " + board + ": " + BoardTexts::kCannotRead + "\n");

    folder = dir.file("nowhere");
    const std::string missing = "1||quorlboard-cli: " + folder + "/BoardData.xml: ";
    const std::string init = " (there is no board: 'quorlboard-cli init --folder " + folder + "' creates one)\n";
    EXPECT_EQ(Said(Cli({"list"})), missing + BoardTexts::kCannotRead + init);
    EXPECT_EQ(Said(Cli({"show", "1"})), missing + BoardTexts::kReadError + init);
    EXPECT_EQ(Cli({"post", "--title", "x"}, "y").status, 1);
    EXPECT_EQ(Cli({"delete", "1"}).status, 1);
    EXPECT_FALSE(fs::exists(folder));

    const Result unset = CliProcess::Run({"list"});
    EXPECT_EQ(unset.status, 1);
    EXPECT_NE(unset.err.find("--folder"), std::string::npos);
}

TEST_F(QuorlboardCli, PostRefusesInputItCannotReadOrStoreAndWritesNothing)
{
    std::string sjis = "title: " + Cp932Codec::FromUtf8("お知らせ");
    const std::string tooLong(10'000'000, 'x'); // one byte more than the parser takes
    // A shell runs the tool, so that standard input can be a folder, closed,
    // or a writer that learns whether all it wrote was read.
    const auto post = [&](const std::string& input, const std::string& redirect, std::vector<std::string> args) {
        args.insert(args.begin(), {"-c", "f=$1; shift; \"$0\" post --folder \"$f\" \"$@\" " + redirect,
                                   QUORL_CLI_PATH, folder});
        return CliProcess::Run(args, input, "/bin/sh");
    };
    struct Case
    {
        Result result;
        const char* said;
    };
    const std::string writer = dir.file("writer");
    const Case cases[] = {
        {post("", "< /", {"--title", "t"}), "cannot read the contents from standard input: Is a directory"},
        {post("", "<&-", {"--title", "t"}), "cannot read the contents from standard input: Bad file descriptor"},
        {post(sjis, "", {"--title", "t"}), "the contents must be UTF-8, but byte 0x82 at offset 7 is not; "
                                           "convert Shift_JIS text with 'iconv -f CP932 -t UTF-8'"},
        {post("x", "", {"--title", "t", "--name", Cp932Codec::FromUtf8("山田")}), "the name must be UTF-8"},
        {post(tooLong, "", {"--title", "t"}), "the contents must fit the board: at most 9999999 bytes of UTF-8"},
        {post("", "", {"--title", "t", "--attach", dir.file("none")}), "cannot attach"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result.status, 1) << c.said;
        EXPECT_EQ(c.result.out, "") << c.said;
        EXPECT_EQ(c.result.err.rfind(std::string("quorlboard-cli: ") + c.said, 0), 0u) << c.result.err;
    }
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);

    // Refused while reading: a writer of more than the board holds is cut off.
    const Result endless = CliProcess::Run(
        {"-c", "(head -c 50000000 /dev/zero; echo $? > \"$2\") | \"$0\" post --folder \"$1\" --title t",
         QUORL_CLI_PATH, folder, writer},
        {}, "/bin/sh");
    EXPECT_EQ(endless.status, 1);
    EXPECT_NE(TempDir::Read(writer), "0\n") << "the whole input was read";
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
}

TEST_F(QuorlboardCli, WrongUsageExitsWithTwoAndHelpWithZero)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"show", "abc"}, {"post"}}) {
        const std::string said = Said(CliProcess::Run(args));
        EXPECT_EQ(said.rfind("2||quorlboard-cli: ", 0), 0u) << said;
        EXPECT_NE(said.find("\nUsage: quorlboard-cli "), std::string::npos) << said;
    }
    for (const std::string command : {"init", "list", "show", "post", "delete", "send", "listen", "config"}) {
        const Result help = CliProcess::Run({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.find("Usage: quorlboard-cli " + command), 0u) << help.out;
    }
    EXPECT_EQ(CliProcess::Run({"--help"}).status, 0);
    EXPECT_EQ(CliProcess::Run({"--version"}).out.rfind("quorlboard-cli ", 0), 0u);
}

TEST_F(QuorlboardCli, ConcurrentPostsGetDistinctNumbersWhileListsKeepWorking)
{
    // Six writers post 16 messages each, keeping the numbers they get, while a reader lists until they are done.
    const std::string script =
        "post() { for i in $(seq 16); do echo b | \"$1\" post --folder \"$2\" --title t >> \"$2/numbers\""
        " || echo post >> \"$2/failed\"; done; };"
        "(for w in $(seq 6); do post \"$1\" \"$2\" & done; wait; touch \"$2/done\") &"
        "runs=0; while [ ! -e \"$2/done\" ] || [ $runs -lt 3 ]; do"
        " \"$1\" list --folder \"$2\" > /dev/null || echo list >> \"$2/failed\"; runs=$((runs + 1)); done; wait";
    ASSERT_EQ(CliProcess::Run({"-c", script, "sh", QUORL_CLI_PATH, folder}, {}, "/bin/sh").status, 0);
    EXPECT_EQ(TempDir::Read(folder + "/failed"), "");
    std::istringstream given(TempDir::Read(folder + "/numbers"));
    std::vector<int> numbers{std::istream_iterator<int>(given), {}}, expected(96);
    std::sort(numbers.begin(), numbers.end());
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(ListedNumbers().size(), expected.size());
}

} // namespace
