#include "CliProcess.h"
#include "board/BoardTexts.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "settings/FileSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/BoardXml.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kEmptyUtf8Board = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n";
using Result = CliProcess::Result;
using Args = std::vector<std::string>;

std::string Said(const Result& result) { return std::to_string(result.status) + "|" + result.out + "|" + result.err; }

// "あ", two bytes in CP932, the given number of times.
std::string Wide(int times) { return times == 0 ? "" : "あ" + Wide(times - 1); }

class QuorlboardCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1);
        ASSERT_EQ(Cli({"init"}).status, 0);
    }

    Result Cli(Args args, const std::string& input = {})
    {
        args.insert(args.end(), {"--folder", folder});
        return CliProcess::Run(args, input);
    }
    std::string Post(const std::string& title, const std::string& contents, Args extra = {})
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
    Args ListedNumbers()
    {
        Args numbers;
        const std::string list = Cli({"list"}).out;
        for (size_t start = 0; start < list.size(); start = list.find('\n', start) + 1)
            numbers.push_back(list.substr(start, list.find('\t', start) - start));
        return numbers;
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
    static Result Config(Args args)
    {
        args.insert(args.begin(), "config");
        return CliProcess::Run(args);
    }

    TempDir dir, config;
    std::string folder = dir.file("shared/board");
    std::string board = folder + "/BoardData.xml";
    const std::string host = HostIdentity::HostName();
    const std::string settingsFile = config.file(FileSettingsBackend::kFileName);
};

TEST_F(QuorlboardCli, InitNeverReplacesABoardAndShiftJisBoardsStoreCp932)
{
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
    EXPECT_EQ(Said(Cli({"init", "--encoding", "Shift_JIS"})),
              "1||quorlboard-cli: " + board + " already exists; it was left as it is\n");
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
    folder = dir.file("sjis");
    ASSERT_EQ(Cli({"init", "--encoding", "Shift_JIS"}).status, 0);
    EXPECT_EQ(TempDir::Read(folder + "/BoardData.xml"), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<root/>\n");
    EXPECT_EQ(Post("会議", "本文"), "1\n");
    EXPECT_NE(TempDir::Read(folder + "/BoardData.xml").find(Cp932Codec::FromUtf8("<title>会議</title>")), std::string::npos);
    EXPECT_EQ(Field("1", "title"), "会議");
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
}

TEST_F(QuorlboardCli, PostListShowDeleteRoundTrip)
{
    const std::string contents = "一行目 & < > \" '\n二行目\n";
    EXPECT_EQ(Post("お知らせ <重要> & \"'", contents, {"--priority", "0", "--name", "山田"}), "1\n");
    EXPECT_EQ(Post("二件目", "末尾に改行なし"), "2\n");
    const std::string date = Field("1", "date");
    EXPECT_EQ(date.size(), 14u);
    EXPECT_EQ(Said(Cli({"show", "1"})), "0|title: お知らせ <重要> & \"'\nname: 山田\npriority: 0\nattach: 0\ndate: " + date +
                                            "\nhostname: " + host + "\nnumber: 1\n\n" + contents + "|");
    EXPECT_TRUE(Cli({"show", "2"}).out.ends_with("priority: 2\nattach: 0\ndate: " + Field("2", "date") + "\nhostname: " +
                                                 host + "\nnumber: 2\n\n末尾に改行なし\n"));
    EXPECT_EQ(Field("2", "name"), HostIdentity::LoginName());
    const std::string list = Cli({"list"}).out;
    EXPECT_EQ(list.substr(0, list.find('\n')), "1\t0\t0\t" + date + "\t" + host + "\t山田\tお知らせ <重要> & \"'");
    EXPECT_EQ(list.find("2\t2\t0\t"), list.find('\n') + 1);
    EXPECT_EQ(Said(CliProcess::Run({"-c", "\"$0\" list --folder \"$1\" > /dev/full", QUORL_CLI_PATH, folder}, {}, "/bin/sh")),
              "1||quorlboard-cli: cannot write to standard output\n");

    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_EQ(Post("三件目", ""), "3\n");
    EXPECT_TRUE(Cli({"show", "3"}).out.ends_with("number: 3\n\n"));
    EXPECT_EQ(ListedNumbers(), (Args{"2", "3"}));
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
    const std::string pdf("%PDF\0\x01\xff", 7);
    TempDir::Write(dir.file("a/report.txt"), "first");
    TempDir::Write(dir.file("b/report.txt"), "second");
    TempDir::Write(dir.file("a/図面.pdf"), pdf);
    Post("添付", "x", {"--attach", dir.file("a/report.txt"), "--attach", dir.file("a/図面.pdf"), "--attach", dir.file("b/report.txt")});
    EXPECT_EQ(Field("1", "attach"), "1");
    const std::string attached = folder + "/attach/" + host + "_" + Field("1", "date");
    EXPECT_EQ(TempDir::Read(attached + "/report.txt"), "second");
    EXPECT_EQ(TempDir::Read(attached + "/図面.pdf"), pdf);
    EXPECT_EQ(std::distance(fs::directory_iterator(attached), fs::directory_iterator()), 2);
    fs::create_directory(board + ".lock"); // in the way: the board cannot be changed
    EXPECT_EQ(Cli({"delete", "1"}).status, 1);
    EXPECT_TRUE(fs::exists(attached)) << "a failed delete keeps the attachments";
    fs::remove(board + ".lock");
    EXPECT_EQ(Cli({"delete", "1"}).status, 0);
    EXPECT_FALSE(fs::exists(attached));
    EXPECT_TRUE(fs::exists(folder + "/attach"));
    fs::remove_all(folder + "/attach");
    TempDir::Write(folder + "/attach", "a file in the way");
    const Result uncopied = Cli({"post", "--title", "x", "--attach", dir.file("a/report.txt")}, "x");
    EXPECT_EQ(Said(uncopied).rfind("1||", 0), 0u);
    EXPECT_NE(uncopied.err.find("message 2 was added"), std::string::npos) << uncopied.err;
}

// Another computer's message, then messages of this computer in every second around
// now, the first two in one second (written before dates were kept apart), so sharing a folder.
TEST_F(QuorlboardCli, DeleteOnlyOwnMessagesAndAPostInATakenSecondGetsAFolderOfItsOwn)
{
    const std::string sharedDate = "20021201090507";
    std::vector<std::pair<std::string, std::string>> stored = {{"other-pc", sharedDate}, {host, sharedDate}, {host, sharedDate}};
    for (const std::string& date : DatesAroundNow(-2, 60))
        stored.emplace_back(host, date);
    TempDir::Write(board, BoardXml(stored));
    const std::string shared = folder + "/attach/" + host + "_" + sharedDate;
    const std::string others = folder + "/attach/other-pc_" + sharedDate;
    fs::create_directories(shared);
    fs::create_directories(others);
    TempDir::Write(shared + "/a.txt", "a");
    TempDir::Write(dir.file("b.txt"), "b");

    const Result refused = Cli({"delete", "1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("other-pc"), std::string::npos);
    EXPECT_EQ(Cli({"show", "1"}).status, 0);
    EXPECT_TRUE(fs::exists(others));

    const std::string number = std::to_string(stored.size() + 1);
    EXPECT_EQ(Post("t", "c", {"--attach", dir.file("b.txt")}), number + "\n");
    const std::string date = Field(number, "date");
    EXPECT_TRUE(std::none_of(stored.begin(), stored.end(), [&](const auto& message) { return message.second == date; }));
    EXPECT_EQ(TempDir::Read(folder + "/attach/" + host + "_" + date + "/b.txt"), "b");
    EXPECT_EQ(Cli({"delete", "2"}).status, 0);
    EXPECT_TRUE(fs::exists(shared + "/a.txt"));
    EXPECT_EQ(Cli({"delete", "3"}).status, 0);
    EXPECT_FALSE(fs::exists(shared));
}

TEST_F(QuorlboardCli, FailuresExitWithOneWrongUsageWithTwoAndHelpWithZero)
{
    const auto failed = [](const std::string& text) { return "1||quorlboard-cli: " + text + "\n"; };
    EXPECT_EQ(Said(Cli({"show", "7"})), failed(BoardTexts::kNoSuchMessage));
    EXPECT_EQ(Said(Cli({"delete", "7"})), failed(BoardTexts::kNoSuchMessage));
    EXPECT_EQ(Said(Cli({"delete", "0"})), failed(BoardTexts::kInvalidNumber));
    TempDir::Write(board, "<root>");
    EXPECT_EQ(Said(Cli({"list"})), failed(board + ": " + BoardTexts::kCannotRead));
    folder = dir.file("nowhere");
    const std::string missing = folder + "/BoardData.xml: ";
    const std::string init = " (there is no board: 'quorlboard-cli init --folder " + folder + "' creates one)";
    EXPECT_EQ(Said(Cli({"list"})), failed(missing + BoardTexts::kCannotRead + init));
    EXPECT_EQ(Said(Cli({"show", "1"})), failed(missing + BoardTexts::kReadError + init));
    EXPECT_EQ(Cli({"post", "--title", "x"}, "y").status, 1);
    EXPECT_EQ(Cli({"delete", "1"}).status, 1);
    EXPECT_FALSE(fs::exists(folder));
    const std::string unset = Said(CliProcess::Run({"list"}));
    EXPECT_EQ(unset.rfind("1||quorlboard-cli: ", 0), 0u);
    EXPECT_NE(unset.find("--folder"), std::string::npos);

    for (const Args& args : {Args{}, {"show", "abc"}, {"post"}}) {
        const std::string said = Said(CliProcess::Run(args));
        EXPECT_EQ(said.rfind("2||quorlboard-cli: ", 0), 0u) << said;
        EXPECT_NE(said.find("\nUsage: quorlboard-cli "), std::string::npos) << said;
    }
    for (const std::string command : {"init", "list", "show", "post", "delete", "send", "listen", "config"})
        EXPECT_EQ(Said(CliProcess::Run({command, "--help"})).rfind("0|Usage: quorlboard-cli " + command, 0), 0u);
    EXPECT_EQ(CliProcess::Run({"--help"}).status, 0);
    EXPECT_EQ(CliProcess::Run({"--version"}).out.rfind("quorlboard-cli ", 0), 0u);
}

TEST_F(QuorlboardCli, PostRefusesInputItCannotReadOrStoreAndWritesNothing)
{
    // A shell runs the tool, so that standard input can be a folder, closed, or a
    // writer that learns whether all it wrote was read.
    const auto post = [&](const std::string& input, const std::string& redirect, Args args = {"--title", "t"}) {
        args.insert(args.begin(), {"-c", "f=$1; shift; \"$0\" post --folder \"$f\" \"$@\" " + redirect, QUORL_CLI_PATH, folder});
        return CliProcess::Run(args, input, "/bin/sh");
    };
    const std::pair<Result, const char*> cases[] = {
        {post("", "< /"), "cannot read the contents from standard input: Is a directory"},
        {post("title: " + Cp932Codec::FromUtf8("お知らせ"), ""),
         "the contents must be UTF-8, but byte 0x82 at offset 7 is not; convert Shift_JIS text with 'iconv -f CP932 -t UTF-8'"},
        {post("x", "", {"--title", "t", "--name", Cp932Codec::FromUtf8("山田")}), "the name must be UTF-8"},
        // one byte more than the parser takes
        {post(std::string(10'000'000, 'x'), ""), "the contents must fit the board: at most 9999999 bytes of UTF-8"},
        {post("", "", {"--title", "t", "--attach", dir.file("none")}), "cannot attach"},
    };
    for (const auto& [result, said] : cases)
        EXPECT_EQ(Said(result).rfind(std::string("1||quorlboard-cli: ") + said, 0), 0u) << Said(result);
    // Refused while reading: a writer of more than the board holds is cut off.
    const std::string writer = dir.file("writer");
    EXPECT_EQ(CliProcess::Run({"-c", "(head -c 50000000 /dev/zero; echo $? > \"$2\") | \"$0\" post --folder \"$1\" --title t",
                               QUORL_CLI_PATH, folder, writer}, {}, "/bin/sh").status, 1);
    EXPECT_NE(TempDir::Read(writer), "0\n") << "the whole input was read";
    EXPECT_EQ(TempDir::Read(board), kEmptyUtf8Board);
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

TEST_F(QuorlboardCli, ConfigShowsTheDefaultsThenStoresChangesInTheCurrentGroupForTheBoardCommands)
{
    EXPECT_EQ(Config({}).out,
              "group: グループ１\nfolder: \nuser: " + HostIdentity::LoginName() + "\nport: 1500\npopup: 0\ntargets: \n");
    EXPECT_EQ(Config({"--user", "x"}).status, 2) << "a first change starts from the defaults and must name a folder";
    EXPECT_EQ(Stored(), "nothing");
    const std::string absolute = (fs::current_path() / "rel/board").string() + "/";
    ASSERT_EQ(Config({"--folder", "rel/board", "--user", "山田", "--port", "1600", "--popup", "1", "--targets",
                      "10.1.2.255, pc-osaka"}).status, 0);
    EXPECT_EQ(Config({}).out, "group: グループ１\nfolder: " + absolute +
                                  "\nuser: 山田\nport: 1600\npopup: 1\ntargets: 10.1.2.255,pc-osaka\n");
    // Only what is given changes; a folder that ends in '/' gets no second one. Another group
    // becomes the current one, taking the values along; going back brings its own values back.
    const std::pair<Args, std::string> steps[] = {
        {{"--popup", "0", "--folder", "/srv/ボード/"}, "グループ１|/srv/ボード/|山田|1600|0"},
        {{"--group", "第二", "--port", "1700"}, "第二|/srv/ボード/|山田|1700|0"},
        {{"--group", "グループ１"}, "グループ１|/srv/ボード/|山田|1600|0"},
    };
    for (const auto& [args, stored] : steps) {
        ASSERT_EQ(Config(args).status, 0);
        EXPECT_EQ(Stored(), stored);
    }
    // The board commands use the stored folder and user unless told otherwise.
    ASSERT_EQ(Config({"--folder", config.file("board")}).status, 0);
    EXPECT_EQ(CliProcess::Run({"init"}).status, 0);
    EXPECT_EQ(CliProcess::Run({"post", "--title", "設定から"}, "x").out, "1\n");
    EXPECT_NE(TempDir::Read(config.file("board/BoardData.xml")).find("<name>山田</name>"), std::string::npos);
    EXPECT_EQ(CliProcess::Run({"show", "1", "--folder", config.file("elsewhere")}).status, 1);
}

TEST_F(QuorlboardCli, ConfigValuesTheSettingsWindowWouldRefuseChangeNothing)
{
    ASSERT_EQ(Config({"--folder", "/" + std::string(257, 'd'), "--port", "60000"}).status, 0); // 259 bytes with the '/'
    const std::string before = TempDir::Read(settingsFile);
    // One value of each field the settings window would refuse (the rules have their own test).
    const Args refused[] = {
        {"--port", "1499"}, {"--port", "1600x"}, {"--popup", "2"}, {"--folder", "/" + std::string(258, 'd')},
        {"--user", Wide(32)}, {"--user", "ok", "--port", "70000"}, {"--group", ""}, {"--user", "山田:総務"},
        {"--group", "Font"}, {"--group", "title\\size"}, {"--targets", "10.1.2.256"}, {"--targets", "pc osaka"},
    };
    for (const Args& args : refused) {
        EXPECT_EQ(Said(Config(args)).rfind("2||quorlboard-cli: ", 0), 0u) << args.at(0) << " " << args.at(1);
        EXPECT_EQ(TempDir::Read(settingsFile), before) << args.at(0) << " " << args.at(1);
    }
    EXPECT_NE(Config({"--user", "山田:総務"}).err.find("':'"), std::string::npos);

    // A settings file too large to be settings is an error and left alone.
    ASSERT_EQ(::truncate(settingsFile.c_str(), off_t(1) << 36), 0); // sparse
    for (const Args& args : {Args{"config"}, {"config", "--port", "1600"}, {"list", "--folder", config.path()}})
        EXPECT_EQ(Said(CliProcess::Run(args)).rfind("1||quorlboard-cli: the settings file " + settingsFile + " is larger than", 0), 0u);
    EXPECT_EQ(fs::file_size(settingsFile), uintmax_t(1) << 36);
    EXPECT_FALSE(fs::exists(settingsFile + FileSettingsBackend::kDamagedSuffix));
}

} // namespace
