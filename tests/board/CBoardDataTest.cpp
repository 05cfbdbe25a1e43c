#include "board/BoardTexts.h"
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kUtf8Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

BoardMessage MakeMessage(const std::string& title, const std::string& contents, int priority = 2,
                         const std::string& date = "20021105093015", const std::string& host = "pc01")
{
    BoardMessage message;
    message.title = title;
    message.name = "user01";
    message.contents = contents;
    message.priority = priority;
    message.attach = 0;
    message.date = date;
    message.hostname = host;
    return message;
}

class BoardStore : public ::testing::Test
{
protected:
    void SetUp() override { store.SetFilePath(path); }
    void WriteBoard(const std::string& bytes) { TempDir::Write(path, bytes); }
    std::string Board() const { return TempDir::Read(path); }
    std::vector<BoardMessage> Load()
    {
        std::vector<BoardMessage> messages;
        EXPECT_EQ(store.LoadMessages(messages), 0);
        return messages;
    }
    int Add(BoardMessage message)
    {
        EXPECT_EQ(store.AddMessage(message), 0);
        return message.number;
    }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string path = dir.file("BoardData.xml");
    RecordingReporter reporter;
    CBoardData store{&reporter};
};

// ---------------------------------------------------------------- file layout

TEST_F(BoardStore, NewMessagesAreWrittenWithLineFeedsAndAttributesInOrder)
{
    WriteBoard(std::string(kUtf8Declaration) + "<root/>\n");
    EXPECT_EQ(Add(MakeMessage("a & b <c> \"q\" 'x'", "line1\nline2")), 1);
    EXPECT_EQ(Board(), std::string(kUtf8Declaration) +
                           "<root number=\"1\"><message date=\"20021105093015\" hostname=\"pc01\" "
                           "priority=\"2\" attach=\"0\" number=\"1\">\n"
                           "<title>a &amp; b &lt;c&gt; \"q\" 'x'</title>\n"
                           "<name>user01</name>\n"
                           "<contents>line1\nline2</contents>\n"
                           "</message>\n"
                           "</root>\n");
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(BoardStore, EmptyValuesAreWrittenAsOneLineFeedAndReadAsEmpty)
{
    WriteBoard("<root></root>");
    BoardMessage empty = MakeMessage("", "");
    empty.name.clear();
    ASSERT_EQ(Add(empty), 1);
    EXPECT_EQ(Board(), "<root number=\"1\"><message date=\"20021105093015\" hostname=\"pc01\" priority=\"2\" "
                       "attach=\"0\" number=\"1\">\n<title>\n</title>\n<name>\n</name>\n<contents>\n"
                       "</contents>\n</message>\n</root>");
    auto messages = Load();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(messages[0].name, "");
    EXPECT_EQ(messages[0].contents, "");
}

TEST_F(BoardStore, RewritingDropsBlankTextOfEarlierMessagesAndUpdateEmptiesElements)
{
    WriteBoard(std::string(kUtf8Declaration) + "<root/>\n");
    Add(MakeMessage("one", "first"));
    Add(MakeMessage("two", "second", 0, "20021105093016"));
    BoardMessage changed = MakeMessage("", "new\r\ntext", 1, "19990101000000", "other");
    changed.number = 1;
    changed.attach = 1;
    changed.name = "someone else";
    ASSERT_EQ(store.UpdateMessage(changed), 0);
    ASSERT_EQ(store.DeleteMessage(2), 0);
    EXPECT_EQ(Board(), std::string(kUtf8Declaration) +
                           "<root number=\"2\"><message date=\"20021105093015\" hostname=\"pc01\" "
                           "priority=\"1\" attach=\"1\" number=\"1\"><title/><name>user01</name>"
                           "<contents>new&#13;\ntext</contents></message></root>\n");
    BoardMessage read;
    read.number = 1;
    ASSERT_EQ(store.ReadMessage(read), 0);
    EXPECT_EQ(read.contents, "new\r\ntext");
    EXPECT_EQ(read.name, "user01");
    EXPECT_EQ(read.date, "20021105093015");
    EXPECT_EQ(read.hostname, "pc01");
}

TEST_F(BoardStore, WorkedExampleKeepsTheCounterAfterDeletion)
{
    WriteBoard("<root/>");
    Add(MakeMessage("1", "a"));
    Add(MakeMessage("2", "b"));
    Add(MakeMessage("3", "c"));
    ASSERT_EQ(store.DeleteMessage(2), 0);
    auto messages = Load();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].number, 1);
    EXPECT_EQ(messages[1].number, 3);
    ASSERT_EQ(store.DeleteMessage(3), 0);
    EXPECT_EQ(Add(MakeMessage("4", "d")), 4);
    EXPECT_NE(Board().find("<root number=\"4\">"), std::string::npos);
}

TEST_F(BoardStore, DeclarationAndSurroundingBytesStayExactlyAsLoaded)
{
    const std::string head = "\xEF\xBB\xBF<?xml version='1.0'   encoding='utf-8' ?>\r\n<!-- board -->\r\n";
    const std::string tail = "\r\n<?done ok?>\r\n";
    WriteBoard(head + "<root number=\"5\" extra=\"x\"></root>" + tail);
    ASSERT_EQ(Add(MakeMessage(Cp932Codec::FromUtf8("日本語"), Cp932Codec::FromUtf8("本文"))), 6);
    const std::string board = Board();
    EXPECT_EQ(board.substr(0, head.size()), head);
    EXPECT_EQ(board.substr(board.size() - tail.size()), tail);
    EXPECT_NE(board.find("<root number=\"6\" extra=\"x\">"), std::string::npos);
    EXPECT_NE(board.find("<title>日本語</title>"), std::string::npos);
}

TEST_F(BoardStore, ProcessingInstructionsAfterTheBoardStayAsTheyWere)
{
    for (const std::string tail : {"<?pi ><?x?>\n", "<?pi a<?b ?>", "<!-- c --><?p ?>\r\n<!--d-->"}) {
        WriteBoard("<root a='/>' b=\"x>\"><![CDATA[</root>]]><!--</root>--><x/></root>" + tail);
        ASSERT_EQ(Add(MakeMessage("t", "c")), 1) << tail;
        const std::string board = Board();
        EXPECT_EQ(board.substr(board.size() - tail.size()), tail);
        EXPECT_EQ(board.rfind("<root a=\"/&gt;\" b=\"x&gt;\" number=\"1\">", 0), 0u) << board;
    }
}

TEST_F(BoardStore, FileWithoutDeclarationGetsNoneAndStaysUtf8)
{
    WriteBoard("<root/>");
    Add(MakeMessage(Cp932Codec::FromUtf8("①㈱"), "x"));
    const std::string board = Board();
    EXPECT_EQ(board.rfind("<root number=\"1\">", 0), 0u);
    EXPECT_NE(board.find("<title>①㈱</title>"), std::string::npos);
}

TEST_F(BoardStore, ShiftJisBoardRoundTripsCp932OnlyCharactersAndCrLf)
{
    // ① ㈱ ～ 髙 﨑 ソ 表 in code page 932; ソ and 表 end in the byte of "\".
    const std::string special = "\x87\x40\x87\x8A\x81\x60\xFB\xFC\xFA\xB1\x83\x5C\x95\x5C";
    const std::string original = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                                 "<root number=\"1\"><message date=\"20021105093015\" hostname=\"pc01\" "
                                 "priority=\"2\" attach=\"0\" number=\"1\"><title>" +
                                 special + "</title><name>\x83\x86\x81\x5B\x83\x55</name><contents>a\r\nb" +
                                 special + "</contents></message></root>\r\n";
    WriteBoard(original);

    BoardMessage read;
    read.number = 1;
    ASSERT_EQ(store.ReadMessage(read), 0);
    EXPECT_EQ(read.title, special);
    EXPECT_EQ(read.contents, "a\nb" + special);

    BoardMessage same = read;
    same.contents = "a\nb" + special;
    ASSERT_EQ(store.UpdateMessage(same), 0);
    std::string expected = original;
    expected.replace(expected.find("a\r\nb"), 4, "a\nb");
    EXPECT_EQ(Board(), expected);

    ASSERT_EQ(Add(MakeMessage(special, special)), 2);
    EXPECT_NE(Board().find("<title>" + special + "</title>\n"), std::string::npos);
    for (const char* name : {"shift_jis", "SJIS", "windows-31j"}) {
        WriteBoard(std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?><root/>");
        ASSERT_EQ(Add(MakeMessage(special, "")), 1) << name;
        EXPECT_NE(Board().find("<title>" + special + "</title>"), std::string::npos) << name;
    }
}

TEST_F(BoardStore, ControlCharactersCannotMakeTheBoardUnreadable)
{
    WriteBoard("<root/>");
    std::string controls;
    for (int c = 0; c < 0x20; ++c)
        controls += static_cast<char>(c);
    const std::string expected = "?????????\t\n??\r??????????????????";
    BoardMessage message = MakeMessage("a" + controls, "b" + controls, 2, "2002" + controls, "pc" + controls);
    message.name = controls;
    ASSERT_EQ(Add(message), 1);
    auto messages = Load();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "a" + expected);
    EXPECT_EQ(messages[0].contents, "b" + expected);
    EXPECT_EQ(messages[0].name, expected);

    message.number = 1;
    ASSERT_EQ(store.UpdateMessage(message), 0);
    EXPECT_EQ(Load().at(0).title, "a" + expected);
    EXPECT_TRUE(reporter.messages.empty());
}

// ------------------------------------------------------------ reading rules

TEST_F(BoardStore, ReadingFollowsTheQueriesAndConversionRules)
{
    WriteBoard("<root number=\"9\">\n"
               "  <message number=\"007\" priority=\" +1x\" attach=\"1\" date=\"d\" hostname=\"h\">\n"
               "    <title>  padded  </title><name>n</name><contents>c</contents>\n"
               "  </message>\n"
               "  <message number=\"8\" date=\"first\"><title>t1</title></message>\n"
               "  <group><message number=\"8\" date=\"second\" priority=\"2\"><info><title>deep</title></info>"
               "<title>late</title></message></group>\n"
               "  <x:message xmlns:x=\"urn:x\" number=\"9\"/>\n"
               "</root>\n");
    auto messages = Load();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].number, 7);
    EXPECT_EQ(messages[0].priority, 1);
    EXPECT_EQ(messages[0].title, "  padded  ");
    EXPECT_EQ(messages[1].priority, 0) << "a message without priority reads as urgent";
    EXPECT_EQ(messages[2].title, "deep") << "the first title in document order";

    BoardMessage byNumber;
    byNumber.number = 7;
    byNumber.title = "unchanged";
    ASSERT_EQ(store.ReadMessage(byNumber), 0);
    EXPECT_EQ(byNumber.title, "unchanged") << "007 is not found by 7";

    BoardMessage duplicate;
    duplicate.number = 8;
    ASSERT_EQ(store.ReadMessage(duplicate), 0);
    EXPECT_EQ(duplicate.date, "first");

    BoardMessage namespaced;
    namespaced.number = 9;
    ASSERT_EQ(store.ReadMessage(namespaced), 0);
    EXPECT_EQ(namespaced.date, "");
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(BoardStore, LineEndsAndBlankTextFollowXmlRules)
{
    WriteBoard("<root>\r\n<message number=\"1\">\r\n<title> \t\r\n </title>\r\n<name>a\rb</name>\r\n"
               "<contents>x\r\ny&#13;z</contents></message></root>");
    auto messages = Load();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(messages[0].name, "a\nb");
    EXPECT_EQ(messages[0].contents, "x\ny\rz");
}

TEST_F(BoardStore, ParseIntegerBehavesLikeAtoi)
{
    EXPECT_EQ(CBoardData::ParseInteger(""), 0);
    EXPECT_EQ(CBoardData::ParseInteger("  -12abc"), -12);
    EXPECT_EQ(CBoardData::ParseInteger("+5"), 5);
    EXPECT_EQ(CBoardData::ParseInteger("x5"), 0);
    EXPECT_EQ(CBoardData::ParseInteger("99999999999"), INT32_MAX);
    EXPECT_EQ(CBoardData::ParseInteger("-99999999999"), INT32_MIN);
}

TEST_F(BoardStore, EmptyBoardAndBoardWithoutCounter)
{
    WriteBoard("<root/>");
    EXPECT_TRUE(Load().empty());
    WriteBoard("<root><message number=\"4\"/></root>");
    EXPECT_EQ(Add(MakeMessage("t", "c")), 1);
    WriteBoard("<root number=\"abc\"/>");
    EXPECT_EQ(Add(MakeMessage("t", "c")), 1);
}

// ------------------------------------------------------------------ failures

TEST_F(BoardStore, MissingFileReportsEachOperationsTextAndCreatesNothing)
{
    std::vector<BoardMessage> messages;
    EXPECT_EQ(store.LoadMessages(messages), -1);
    BoardMessage message = MakeMessage("t", "c");
    message.number = 1;
    EXPECT_EQ(store.ReadMessage(message), -1);
    EXPECT_EQ(store.AddMessage(message), -1);
    EXPECT_EQ(store.UpdateMessage(message), -1);
    EXPECT_EQ(store.DeleteMessage(1), -1);
    EXPECT_EQ(reporter.messages,
              (std::vector<std::string>{BoardTexts::kCannotRead, BoardTexts::kReadError, BoardTexts::kCannotRead,
                                        BoardTexts::kCannotRead, BoardTexts::kCannotRead}));
    EXPECT_TRUE(FolderEntries().empty());

    const std::string workingDirectory = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    CBoardData unset(&reporter);
    EXPECT_EQ(unset.LoadMessages(messages), -1);
    EXPECT_EQ(unset.AddMessage(message), -1);
    EXPECT_EQ(unset.DeleteMessage(1), -1);
    std::filesystem::current_path(workingDirectory);
    EXPECT_TRUE(FolderEntries().empty()) << "an empty path names no file, not even a lock";
    store.SetFilePath(dir.file("missing/BoardData.xml"));
    EXPECT_EQ(store.AddMessage(message), -1);
    EXPECT_EQ(reporter.messages.back(), BoardTexts::kCannotRead);
}

TEST_F(BoardStore, RefusalsLeaveTheFileUntouched)
{
    const std::string board = "<root number=\"3\"><message number=\"3\"><title>t</title></message></root>";
    WriteBoard(board);

    EXPECT_EQ(store.DeleteMessage(0), -1);
    EXPECT_EQ(store.DeleteMessage(-4), -1);
    EXPECT_EQ(store.DeleteMessage(2), -1);
    BoardMessage gone = MakeMessage("t", "c");
    gone.number = 2;
    EXPECT_EQ(store.UpdateMessage(gone), -1);
    EXPECT_EQ(reporter.messages,
              (std::vector<std::string>{BoardTexts::kInvalidNumber, BoardTexts::kInvalidNumber,
                                        BoardTexts::kNoSuchMessage, BoardTexts::kNoSuchMessage}));
    EXPECT_EQ(Board(), board);

    WriteBoard("<board><message number=\"1\"/></board>");
    BoardMessage message = MakeMessage("t", "c");
    EXPECT_EQ(store.AddMessage(message), -1);
    EXPECT_EQ(reporter.messages.back(), BoardTexts::kCannotRead);
    EXPECT_EQ(Board(), "<board><message number=\"1\"/></board>");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BoardData.xml"});
}

TEST_F(BoardStore, HostileOrBrokenFilesAreNotReadAndNotTouched)
{
    TempDir::Write(dir.file("secret.txt"), "SECRET");
    const std::vector<std::string> hostile = {
        "",
        "<root><message number=\"1\"><title>cut",
        "<root/><root/>",
        "<root><message number=\"1\">\x85\x40</message></root>",
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><root><title>\x85\x40</title></root>",
        "<!DOCTYPE root [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<root><message number=\"1\"><title>&d;&d;&d;&d;</title></message></root>",
        "<!DOCTYPE root [<!ENTITY x SYSTEM \"file://" + dir.file("secret.txt") +
            "\">]><root><message number=\"1\"><title>&x;</title></message></root>",
        "<!DOCTYPE root SYSTEM \"http://127.0.0.1:9/board.dtd\"><root/>",
        "<root><message number=\"1\"><title>&undefined;</title></message></root>",
    };
    for (const std::string& bytes : hostile) {
        WriteBoard(bytes);
        reporter.messages.clear();
        std::vector<BoardMessage> messages;
        EXPECT_EQ(store.LoadMessages(messages), -1) << bytes;
        EXPECT_TRUE(messages.empty());
        BoardMessage message = MakeMessage("t", "c");
        EXPECT_EQ(store.AddMessage(message), -1) << bytes;
        EXPECT_EQ(reporter.messages,
                  (std::vector<std::string>{BoardTexts::kCannotRead, BoardTexts::kCannotRead}));
        EXPECT_EQ(Board(), bytes);
    }
}

TEST_F(BoardStore, UnwritableBoardFailsAndKeepsTheOldFile)
{
    const std::string board = std::string(kUtf8Declaration) + "<root/>";
    WriteBoard(board);
    // A file size limit below the new board makes the write itself fail, also
    // for root, for whom permission bits are no obstacle.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit tiny = old;
    tiny.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    BoardMessage message = MakeMessage(std::string(200, 'x'), "c");
    const int added = store.AddMessage(message);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);

    EXPECT_EQ(added, -1);
    EXPECT_EQ(message.number, 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{BoardTexts::kCannotWrite});
    EXPECT_EQ(Board(), board);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BoardData.xml"}) << "no temporary or lock file left";

    if (geteuid() != 0) {
        Add(MakeMessage("t", "c"));
        reporter.messages.clear();
        const std::string before = Board();
        ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
        EXPECT_EQ(store.DeleteMessage(1), -1);
        EXPECT_EQ(reporter.messages, std::vector<std::string>{BoardTexts::kCannotWrite});
        chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(Board(), before);
    }
}

TEST_F(BoardStore, AReadOnlyBoardIsNotReplacedThroughAWritableFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    WriteBoard("<root/>");
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const pid_t member = fork();
    if (member == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        RecordingReporter own;
        CBoardData other(&own);
        other.SetFilePath(path);
        BoardMessage message = MakeMessage("t", "c");
        const bool refused = other.AddMessage(message) == -1 &&
                             own.messages == std::vector<std::string>{BoardTexts::kCannotWrite};
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(member, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Board(), "<root/>");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BoardData.xml"});
}

TEST_F(BoardStore, ValuesTooLongForTheParserAreRefusedBeforeTheBoardIsTouched)
{
    WriteBoard("<root/>");
    // 3 UTF-8 bytes a character: just below and just at the parser's limit.
    const std::string kanji = Cp932Codec::FromUtf8("日");
    std::string fits;
    for (int i = 0; i < 3333333; ++i)
        fits += kanji;
    ASSERT_EQ(Add(MakeMessage("t", fits)), 1);
    EXPECT_EQ(Load().at(0).contents.size(), fits.size());

    BoardMessage tooLong = MakeMessage(fits + kanji, "c");
    EXPECT_EQ(store.AddMessage(tooLong), -1);
    tooLong.number = 1;
    EXPECT_EQ(store.UpdateMessage(tooLong), -1);
    EXPECT_EQ(reporter.messages,
              (std::vector<std::string>{BoardTexts::kCannotWrite, BoardTexts::kCannotWrite}));
    EXPECT_EQ(Load().size(), 1u);
}

TEST_F(BoardStore, SavingKeepsPermissionsAndFollowsSymbolicLinks)
{
    TempDir other;
    const std::string target = other.file("real.xml");
    TempDir::Write(target, "<root/>");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    Add(MakeMessage("t", "c"));

    struct stat linkStat {};
    ASSERT_EQ(lstat(path.c_str(), &linkStat), 0);
    EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
    struct stat targetStat {};
    ASSERT_EQ(stat(target.c_str(), &targetStat), 0);
    EXPECT_EQ(targetStat.st_mode & 0777, 0640u);
    EXPECT_NE(TempDir::Read(target).find("number=\"1\""), std::string::npos);
}

// ------------------------------------------------------------------- locking

TEST_F(BoardStore, ChangesWaitForALockHeldBySomeoneElseAndThenGiveUp)
{
    WriteBoard("<root/>");
    TempDir::Write(path + ".lock", "pid 1\nhost elsewhere\n");
    BoardMessage message = MakeMessage("t", "c");
    EXPECT_EQ(store.AddMessage(message), -1);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{BoardTexts::kCannotWrite});
    EXPECT_EQ(Board(), "<root/>");
    EXPECT_EQ(TempDir::Read(path + ".lock"), "pid 1\nhost elsewhere\n") << "a live lock is not broken";

    std::vector<BoardMessage> messages;
    EXPECT_EQ(store.LoadMessages(messages), 0) << "reading needs no lock";
}

TEST_F(BoardStore, AStaleLockIsBroken)
{
    WriteBoard("<root/>");
    const std::string lock = path + ".lock";
    TempDir::Write(lock, "pid 1\nhost crashed\n");
    const std::filesystem::file_time_type old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    std::filesystem::last_write_time(lock, old);
    EXPECT_EQ(Add(MakeMessage("t", "c")), 1);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BoardData.xml"});
}

TEST_F(BoardStore, AWriterKilledWhileSavingLeavesAWholeBoardAndNoLockInTheWay)
{
    WriteBoard(std::string(kUtf8Declaration) + "<root/>\n");
    for (int round = 0; round < 3; ++round) {
        const pid_t writer = fork();
        if (writer == 0) {
            CBoardData own;
            own.SetFilePath(path);
            for (;;) {
                BoardMessage message = MakeMessage(std::string(2000, 'w'), std::string(20000, 'c'));
                own.AddMessage(message);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 70 * round));
        ASSERT_EQ(kill(writer, SIGKILL), 0);
        waitpid(writer, nullptr, 0);

        const size_t before = Load().size();
        const auto start = std::chrono::steady_clock::now();
        const int number = Add(MakeMessage("after", "kill"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3))
            << "the dead writer's lock must not hold others up";
        const auto messages = Load();
        ASSERT_EQ(messages.size(), before + 1);
        EXPECT_EQ(messages.back().number, number);
        EXPECT_TRUE(reporter.messages.empty());
    }
}

} // namespace
