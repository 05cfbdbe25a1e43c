#include "board/BoardDocument.h"
#include "board/BoardTexts.h"
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "core/LockFile.h"
#include "support/Injected.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

using Texts = std::vector<std::string>;
constexpr const char* kUtf8Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr const char* kShiftJisDeclaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";

BoardMessage MakeMessage(const std::string& title, const std::string& contents, int priority = 2,
                         const std::string& date = "20021105093015", const std::string& host = "pc01")
{
    return BoardMessage{0, title, "user01", contents, priority, 0, date, host};
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
    // A number no message carries leaves the record, and its title "unread", as it was.
    BoardMessage Read(int32_t number)
    {
        BoardMessage message;
        message.number = number;
        message.title = "unread";
        EXPECT_EQ(store.ReadMessage(message), 0);
        return message;
    }
    Texts FolderEntries() const // sorted
    {
        Texts names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void MakeOld(const std::string& file, std::chrono::minutes age)
    {
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - age);
    }

    TempDir dir;
    std::string path = dir.file("BoardData.xml");
    RecordingReporter reporter;
    CBoardData store{&reporter};
};

// ---------------------------------------------------------------- file layout

TEST_F(BoardStore, AddUpdateAndDeleteWriteTheFileByteForByte)
{
    const std::string root = std::string(kUtf8Declaration) + "<root number=\"";
    const std::string tag = "<message date=\"20021105093015\" hostname=\"pc01\" priority=\"";
    const std::string sameSecondTag = "<message date=\"20021105093016\" hostname=\"pc01\" priority=\"";
    const std::string title = "<title>a &amp; b &lt;c&gt; \"q\" 'x'</title>";
    WriteBoard(std::string(kUtf8Declaration) + "<root>\n\t</root>\n");
    EXPECT_EQ(Add(MakeMessage("a & b <c> \"q\" 'x'", "line1\nline2")), 1);
    EXPECT_EQ(Board(), root + "1\">" + tag + "2\" attach=\"0\" number=\"1\">\n" + title +
                           "\n<name>user01</name>\n<contents>line1\nline2</contents>\n</message>\n</root>\n");

    // Empty values are written as one line feed; blank text of earlier messages is dropped.
    BoardMessage empty = MakeMessage("", "");
    empty.name.clear();
    ASSERT_EQ(Add(empty), 2);
    EXPECT_EQ(Board(), root + "2\">" + tag + "2\" attach=\"0\" number=\"1\">" + title +
                           "<name>user01</name><contents>line1\nline2</contents></message>" + sameSecondTag +
                           "2\" attach=\"0\" number=\"2\">\n<title>\n</title>\n<name>\n</name>\n<contents>\n"
                           "</contents>\n</message>\n</root>\n");
    const BoardMessage readEmpty = Load().at(1);
    EXPECT_EQ(readEmpty.title + readEmpty.name + readEmpty.contents, "");

    // Only title, contents, priority and attachment flag change; an empty title empties its element.
    BoardMessage changed = {1, "", "someone else", "new\r\ntext", 1, 1, "19990101000000", "other"};
    ASSERT_EQ(store.UpdateMessage(changed), 0);
    ASSERT_EQ(store.DeleteMessage(2), 0);
    EXPECT_EQ(Board(), root + "2\">" + tag + "1\" attach=\"1\" number=\"1\"><title/><name>user01</name>"
                              "<contents>new&#13;\ntext</contents></message></root>\n");
    const BoardMessage read = Read(1);
    EXPECT_EQ(read.title + "|" + read.contents, "|new\r\ntext");
    EXPECT_EQ(read.name + read.date + read.hostname, "user0120021105093015pc01");
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(BoardStore, TheCounterIsReadLikeAtoiNeverGoesBackAndNeverOverflows)
{
    WriteBoard("<root/>");
    for (const char* title : {"1", "2", "3"})
        Add(MakeMessage(title, "c"));
    ASSERT_EQ(store.DeleteMessage(2) + store.DeleteMessage(3), 0);
    EXPECT_EQ(Add(MakeMessage("4", "d")), 4);
    // A reader is told the counter, also after the store's own changes.
    ASSERT_EQ(store.DeleteMessage(4), 0);
    std::vector<BoardMessage> messages;
    ASSERT_EQ(store.LoadMessages(messages), 0);
    EXPECT_EQ(store.Counter(), 4);

    const std::pair<std::string, int32_t> counters[] = { // board, next number (0: refused)
        {"<root><message number=\"4\"/></root>", 1},   {"<root number=\"abc\"/>", 1},
        {"<root number=\" +41x\"/>", 42},             {"<root number=\"-99999999999\"/>", INT32_MIN + 1},
        {"<root number=\"2147483646\"/>", INT32_MAX}, {"<root number=\"2147483647\"/>", 0},
        {"<root number=\"99999999999\"/>", 0},
    };
    for (const auto& [board, next] : counters) {
        WriteBoard(board);
        reporter.messages.clear();
        BoardMessage message = MakeMessage("t", "c");
        EXPECT_EQ(store.AddMessage(message), next == 0 ? -1 : 0) << board;
        EXPECT_EQ(message.number, next) << board;
        EXPECT_EQ(reporter.messages.size(), next == 0 ? 1u : 0u) << board;
    }
    EXPECT_EQ(Board(), "<root number=\"99999999999\"/>");
}

TEST_F(BoardStore, DeclarationAndBytesAroundTheBoardStayExactlyAsLoaded)
{
    // Markup inside the board that looks like its end must not be taken for it.
    const std::string tricky = "<root a='/>' b=\"x>\"><![CDATA[</root>]]><!--</root>--><x/></root>";
    const std::string trickyStart = "<root a=\"/&gt;\" b=\"x&gt;\" number=\"1\">";
    struct Case { std::string head, board, tail, newStartTag; };
    const Case cases[] = {
        {"", "<root/>", "", "<root number=\"1\">"}, // no declaration: none is written, and UTF-8
        {"\xEF\xBB\xBF<?xml version='1.0'   encoding='utf-8' ?>\r\n<!-- board -->\r\n",
         "<root number=\"5\" extra=\"x\"></root>", "\r\n<?done ok?>\r\n", "<root number=\"6\" extra=\"x\">"},
        {"", tricky, "<?pi ><?x?>\n", trickyStart},
    };
    for (const Case& c : cases) {
        WriteBoard(c.head + c.board + c.tail);
        ASSERT_GT(Add(MakeMessage(Cp932Codec::FromUtf8("①㈱"), "c")), 0) << c.board << c.tail;
        const std::string board = Board();
        EXPECT_EQ(board.substr(0, c.head.size() + c.newStartTag.size()), c.head + c.newStartTag);
        EXPECT_EQ(board.substr(board.size() - c.tail.size()), c.tail);
        EXPECT_NE(board.find("<title>①㈱</title>"), std::string::npos) << board;
    }
}

TEST_F(BoardStore, ShiftJisBoardRoundTripsCp932OnlyCharactersAndCrLf)
{
    // ① ㈱ ～ 髙 﨑 ソ 表 in code page 932; ソ and 表 end in the byte of "\".
    const std::string special = "\x87\x40\x87\x8A\x81\x60\xFB\xFC\xFA\xB1\x83\x5C\x95\x5C";
    const std::string original = std::string(kShiftJisDeclaration) +
                                 "<root number=\"1\"><message date=\"20021105093015\" hostname=\"pc01\" "
                                 "priority=\"2\" attach=\"0\" number=\"1\"><title>" +
                                 special + "</title><name>\x83\x86\x81\x5B\x83\x55</name><contents>a\r\nb" +
                                 special + "</contents></message></root>\r\n";
    WriteBoard(original);
    const BoardMessage read = Read(1);
    EXPECT_EQ(read.title, special);
    EXPECT_EQ(read.contents, "a\nb" + special);
    ASSERT_EQ(store.UpdateMessage(read), 0);
    std::string expected = original;
    expected.replace(expected.find("a\r\nb"), 4, "a\nb");
    EXPECT_EQ(Board(), expected);

    for (const char* name : {"Shift_JIS", "shift_jis", "SJIS", "windows-31j"}) {
        WriteBoard(std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?><root/>");
        ASSERT_EQ(Add(MakeMessage(special, "")), 1) << name;
        EXPECT_NE(Board().find("<title>" + special + "</title>\n"), std::string::npos) << name;
    }
}

TEST_F(BoardStore, ControlCharactersCannotMakeTheBoardUnreadable)
{
    WriteBoard("<root/>");
    std::string controls;
    for (char c = 0; c < 0x20; ++c)
        controls += c;
    const std::string expected = "?????????\t\n??\r??????????????????";
    BoardMessage message = MakeMessage("a" + controls, "b" + controls, 2, "2002" + controls, "pc" + controls);
    message.name = controls;
    ASSERT_EQ(Add(message), 1);
    const BoardMessage read = Load().at(0);
    EXPECT_EQ(read.title + read.contents + read.name, "a" + expected + "b" + expected + expected);
    message.number = 1;
    ASSERT_EQ(store.UpdateMessage(message), 0);
    EXPECT_EQ(Load().at(0).title, "a" + expected);
}

// ------------------------------------------------------------ reading rules

TEST_F(BoardStore, ReadingFollowsTheQueriesAndXmlRules)
{
    WriteBoard("<root number=\"9\">\n"
               "  <message number=\"007\" priority=\" +1x\" attach=\"1\" date=\"d\" hostname=\"h\">\n"
               "    <title>  padded  </title><name>n</name><contents>c</contents>\n"
               "  </message>\n"
               "  <message number=\"8\" date=\"first\"><title>t1</title></message>\n"
               "  <group><message number=\"8\" date=\"second\" priority=\"2\"><info><title>deep</title></info>"
               "<title>late</title></message></group>\n"
               "  <x:message xmlns:x=\"urn:x\" number=\"9\"/>\r\n"
               "<message number=\"10\">\r\n<title> \t\r\n </title>\r\n<name>a\rb</name>\r\n"
               "<contents>x\r\ny&#13;z</contents></message></root>");
    const auto messages = Load();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(std::to_string(messages[0].number) + messages[0].title + std::to_string(messages[0].priority), "7  padded  1");
    EXPECT_EQ(messages[1].priority, 0) << "a message without priority reads as urgent";
    EXPECT_EQ(messages[2].title, "deep") << "the first title in document order";
    EXPECT_EQ(messages[3].title + "|" + messages[3].name + "|" + messages[3].contents, "|a\nb|x\ny\rz");

    EXPECT_EQ(Read(7).title, "unread") << "007 is not found by 7";
    EXPECT_EQ(Read(8).date, "first");
    EXPECT_EQ(Read(9).date, "") << "a namespaced element is no message";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(BoardStore, ANewMessageTakesADateThatNoOtherMessageOfItsComputerCarries)
{
    WriteBoard("<root/>");
    for (const char* date : {"20021105093015", "20021105093016", "20021231235959"})
        Add(MakeMessage("t", "c", 2, date));
    const std::pair<std::string, std::string> cases[] = { // date, date stored
        {"20021105093015", "20021105093017"}, {"20021231235959", "20030101000000"},
    };
    for (const auto& [date, stored] : cases) {
        BoardMessage message = MakeMessage("t", "c", 2, date);
        ASSERT_EQ(store.AddMessage(message), 0);
        EXPECT_EQ(message.date, stored) << "the record holds the date stored";
        EXPECT_EQ(Load().back().date, stored);
        EXPECT_FALSE(store.FolderNamedByAnother("pc01", stored, message.number));
    }
    EXPECT_EQ(Add(MakeMessage("t", "c", 2, "20021105093015", "pc02")), 6);
    EXPECT_EQ(Load().back().date, "20021105093015") << "another computer: another folder";
    EXPECT_TRUE(store.FolderNamedByAnother("pc01", "20021105093016", 1));
    WriteBoard("<root>");
    EXPECT_TRUE(store.FolderNamedByAnother("pc01", "20021105093017", 1)) << "unread: no folder is touched";
}

// ------------------------------------------------------------------ failures

TEST_F(BoardStore, MissingFileReportsEachOperationsTextAndCreatesNothing)
{
    BoardMessage message = MakeMessage("t", "c");
    message.number = 1;
    for (const std::string& where : {path, std::string()}) {
        // An empty path names no file, not even a lock in the working directory.
        const std::string workingDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        store.SetFilePath(where);
        reporter.messages.clear();
        std::vector<BoardMessage> messages;
        EXPECT_EQ(store.LoadMessages(messages) + store.ReadMessage(message) + store.AddMessage(message) +
                      store.UpdateMessage(message) + store.DeleteMessage(1),
                  -5);
        std::filesystem::current_path(workingDirectory);
        EXPECT_EQ(reporter.messages, (Texts{BoardTexts::kCannotRead, BoardTexts::kReadError, BoardTexts::kCannotRead,
                                            BoardTexts::kCannotRead, BoardTexts::kCannotRead}));
        EXPECT_TRUE(FolderEntries().empty()) << where;
    }
    // Members know these words from the Windows program.
    EXPECT_EQ((Texts{BoardTexts::kCannotRead, BoardTexts::kReadError, BoardTexts::kCannotWrite,
                     BoardTexts::kInvalidNumber, BoardTexts::kNoSuchMessage}),
              (Texts{"メッセージファイルが読み込めません", "メッセージファイル読み込みエラー",
                     "メッセージファイルに書き込めません", "対象のメッセージ番号が不正です。",
                     "対象のメッセージがありません"}));
}

TEST_F(BoardStore, RefusedChangesReportWhyAndLeaveTheFolderUntouched)
{
    const std::string board = "<root number=\"3\"><message number=\"3\"><title>t</title></message></root>";
    const std::string kanji = Cp932Codec::FromUtf8("日");
    std::string tooLong; // 3 UTF-8 bytes a character: at the parser's limit
    for (int i = 0; i < 3333334; ++i)
        tooLong += kanji;
    BoardMessage gone = MakeMessage("t", "c");
    gone.number = 2;
    BoardMessage longContents = MakeMessage("t", tooLong);
    longContents.number = 3;
    BoardMessage belowTextLimit = MakeMessage("t", std::string(BoardDocument::kMaxDecodedBytes - 10, 'x'));
    BoardMessage longer = MakeMessage(std::string(200, 'x'), "c");
    const std::tuple<std::string, std::function<int()>, const char*> cases[] = {
        {board, [&] { return store.DeleteMessage(0); }, BoardTexts::kInvalidNumber},
        {board, [&] { return store.UpdateMessage(gone); }, BoardTexts::kNoSuchMessage},
        {board, [&] { return store.UpdateMessage(longContents); }, BoardTexts::kCannotWrite},
        {"<board><message number=\"1\"/></board>", [&] { return store.AddMessage(gone); }, BoardTexts::kCannotRead},
        // A text the parser takes, in a board larger than it decodes.
        {std::string(kShiftJisDeclaration) + "<root/>", [&] { return store.AddMessage(belowTextLimit); }, BoardTexts::kCannotWrite},
        // Writing fails (a file size limit stops root too): no temporary or lock file is left.
        {board, [&] { return Injected::UnderFileSizeLimit(100, [&] { return store.AddMessage(longer); }); },
         BoardTexts::kCannotWrite},
    };
    for (const auto& [bytes, change, text] : cases) {
        WriteBoard(bytes);
        reporter.messages.clear();
        EXPECT_EQ(change(), -1) << bytes;
        EXPECT_EQ(reporter.messages, Texts{text}) << bytes;
        EXPECT_EQ(Board(), bytes);
        EXPECT_EQ(FolderEntries(), Texts{"BoardData.xml"});
    }
    EXPECT_EQ(gone.number * 10 + longer.number, 20);
}

// Hostile shapes and sizes are refused before the parser spends time on them.
TEST_F(BoardStore, HostileOrBrokenFilesAreNotReadAndNotTouched)
{
    const auto element = [](size_t attributes) {
        std::string tag = "<root";
        for (size_t i = 0; i < attributes; ++i)
            tag += " a" + std::to_string(i) + "=''";
        return tag + "/>";
    };
    WriteBoard(element(BoardDocument::kMaxAttributesPerElement));
    EXPECT_TRUE(Load().empty());
    TempDir::Write(dir.file("secret.txt"), "SECRET");
    const std::string hostile[] = {
        "",
        "<root><message number=\"1\"><title>cut",
        "<root/><root/>",
        "<root><message number=\"1\">\x85\x40</message></root>",
        std::string(kShiftJisDeclaration) + "<root><title>\x85\x40</title></root>",
        "<!DOCTYPE root [<!ENTITY x SYSTEM \"file://" + dir.file("secret.txt") +
            "\">]><root><message number=\"1\"><title>&x;</title></message></root>",
        "<!DOCTYPE root SYSTEM \"http://127.0.0.1:9/board.dtd\"><root/>",
        "<root><message number=\"1\"><title>&undefined;</title></message></root>",
        element(BoardDocument::kMaxAttributesPerElement + 1),
    };
    for (const std::string& bytes : hostile) {
        WriteBoard(bytes);
        reporter.messages.clear();
        std::vector<BoardMessage> messages;
        BoardMessage message = MakeMessage("t", "c");
        EXPECT_EQ(store.LoadMessages(messages) + store.AddMessage(message), -2) << bytes;
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(reporter.messages, (Texts{BoardTexts::kCannotRead, BoardTexts::kCannotRead}));
        EXPECT_EQ(Board(), bytes);
    }
    // A board the size of the limit reads (the parser stops at the NUL bytes
    // after it); one byte more is refused. The parser decodes no larger board.
    const std::pair<std::string, size_t> limits[] = {{"", BoardDocument::kMaxBytes},
                                                     {kShiftJisDeclaration, BoardDocument::kMaxDecodedBytes}};
    for (const auto& [declaration, limit] : limits) {
        for (const size_t size : {limit, limit + 1}) {
            WriteBoard(declaration + "<root/>");
            ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
            std::vector<BoardMessage> messages;
            EXPECT_EQ(store.LoadMessages(messages), size == limit ? 0 : -1) << declaration << size;
        }
    }
}

TEST_F(BoardStore, AChangeIsWrittenOnlyWhereItReadsBackAndNeverCostsTheRead)
{
    const std::string board = "<root number=\"1\"><message number=\"1\" date=\"d\" hostname=\"h\"><title>t</title>"
                              "</message></root>";
    const auto declared = [&](const char* encoding) {
        return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>" + board;
    };
    const std::pair<std::string, bool> cases[] = {
        // Names libxml2 knows only loosely: its encoder lost Japanese characters.
        {declared("ISO-885911"), true},
        // Markup itself would be encoded: nobody could find the board's end again.
        {declared("UTF-7"), false},
        // The parser stops at a NUL or at a byte its decoder refuses; the end
        // of the board is not where the file ends.
        {board + std::string("\0</root><!--c-->-->", 19), true},
        {declared("Shift_JIS") + "\x85\x40<?x", true},
    };
    const std::string title = Cp932Codec::FromUtf8("お知らせ");
    for (const auto& [bytes, changeable] : cases) {
        WriteBoard(bytes);
        BoardMessage message = MakeMessage(title, title);
        EXPECT_EQ(store.AddMessage(message), changeable ? 0 : -1) << bytes;
        const auto messages = Load();
        ASSERT_EQ(messages.size(), changeable ? 2u : 1u) << bytes;
        EXPECT_EQ(messages.back().title, changeable ? title : "t") << bytes;
        if (!changeable) {
            EXPECT_EQ(Board(), bytes);
        }
    }
}

// ------------------------------------------------------------------- locking

TEST_F(BoardStore, ALiveLockHoldsChangesOffAndAStaleOneIsBroken)
{
    store.SetLockWait(std::chrono::milliseconds(200));
    WriteBoard("<root/>");
    const std::string lock = path + ".lock";
    TempDir::Write(lock, "pid 1\nhost elsewhere\n");
    BoardMessage message = MakeMessage("t", "c");
    EXPECT_EQ(store.AddMessage(message), -1);
    EXPECT_EQ(reporter.messages, Texts{BoardTexts::kCannotWrite});
    EXPECT_EQ(Board(), "<root/>");
    EXPECT_EQ(TempDir::Read(lock), "pid 1\nhost elsewhere\n");
    EXPECT_EQ(Load().size(), 0u) << "reading needs no lock";

    MakeOld(lock, std::chrono::minutes(2));
    EXPECT_EQ(Add(message), 1);
    EXPECT_EQ(FolderEntries(), Texts{"BoardData.xml"});
}

TEST_F(BoardStore, AChangeRemovesTheStoresOwnLeftoversOlderThanAnHour)
{
    WriteBoard("<root/>");
    const Texts leftovers = {".BoardData.xml.a1B2c3", "BoardData.xml.lock.new.0123456789abcdef",
                             "BoardData.xml.lock.old.0123456789abcdef", "BoardData.xml.lock.break",
                             "BoardData.xml.4242.0.tmp"};
    const Texts others = {".BoardData.xml.fresh1", ".BoardData.xml.toolong", "BoardData.xml", "BoardData.xml.old",
                          "notes.txt"};
    for (const Texts* names : {&leftovers, &others}) {
        for (const std::string& name : *names) {
            if (name != "BoardData.xml")
                TempDir::Write(dir.file(name), "x");
            if (name != ".BoardData.xml.fresh1")
                MakeOld(dir.file(name), std::chrono::minutes(61));
        }
    }
    Add(MakeMessage("t", "c"));
    EXPECT_EQ(FolderEntries(), others);
}

// A change under way: another program holds the lock while the board is short
// (written in place by a member who may not replace it, or a share catching
// up with a rename). Readers wait for the lock; a change that has it reads
// again for a moment.
TEST_F(BoardStore, AReadThatFindsTheBoardShortTriesAgainWhileItMayBeCompleted)
{
    const std::string board = "<root number=\"1\"><message number=\"1\"><title>t</title></message></root>";
    const std::pair<std::chrono::milliseconds, std::function<int()>> cases[] = {
        {std::chrono::milliseconds(300), [&] { return static_cast<int>(Load().size()); }},
        {std::chrono::milliseconds(0), [&] { return Add(MakeMessage("t", "c")); }},
    };
    for (const auto& [completedAfter, operation] : cases) {
        WriteBoard(board.substr(0, 30));
        auto other = std::make_unique<LockFile>(path + ".lock");
        ASSERT_EQ(other->Acquire(), LockFile::Result::Acquired);
        std::thread writer([&, completedAfter = completedAfter] {
            std::this_thread::sleep_for(completedAfter);
            if (completedAfter.count() == 0)
                other.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            WriteBoard(board);
            other.reset();
        });
        EXPECT_GT(operation(), 0);
        writer.join();
    }
    EXPECT_TRUE(reporter.messages.empty());
}

// The board's owner and a member who may write it but not replace it (in a
// sticky folder) change it at the same time: the member writes in place, and
// no change is lost.
TEST_F(BoardStore, AMemberWhoCannotReplaceTheBoardWritesItInPlaceBesideItsOwner)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr int kEach = 8;
    WriteBoard("<root/>");
    ASSERT_EQ(chmod(path.c_str(), 0666) + chmod(dir.path().c_str(), 01777), 0);
    const pid_t member = fork();
    if (member == 0) {
        if (setgid(Injected::kNobody) != 0 || setuid(Injected::kNobody) != 0)
            _exit(2);
        CBoardData own;
        own.SetFilePath(path);
        int failures = 0;
        for (int i = 0; i < kEach; ++i) {
            BoardMessage message = MakeMessage("member", "c");
            failures += own.AddMessage(message) != 0;
        }
        _exit(failures);
    }
    for (int i = 0; i < kEach; ++i)
        Add(MakeMessage("owner", "c"));
    int status = -1;
    ASSERT_EQ(waitpid(member, &status, 0), member);
    EXPECT_EQ(status, 0);
    const auto messages = Load();
    ASSERT_EQ(messages.size(), 2u * kEach);
    EXPECT_EQ(messages.back().number, 2 * kEach);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(FolderEntries(), Texts{"BoardData.xml"});
    EXPECT_TRUE(reporter.messages.empty());
}

// ---------------------------------------------------------------- the kept document

std::string TitleOf(CBoardData& store, int32_t number)
{
    BoardMessage message;
    message.number = number;
    return store.ReadMessage(message) == 0 ? message.title : "(not read)";
}

TEST_F(BoardStore, TheKeptDocumentServesOnlyWhileTheFileHoldsExactlyItsBytes)
{
    WriteBoard(std::string(kUtf8Declaration) + "<root/>\n");
    Add(MakeMessage("first", "a"));
    Add(MakeMessage("other", "b"));
    CBoardData neighbour;
    neighbour.SetFilePath(path);
    ASSERT_EQ(TitleOf(store, 1), "first");
    ASSERT_EQ(TitleOf(neighbour, 1), "first");
    ASSERT_EQ(Load().front().title, "first");

    // Another writer changes a title in place: same length, same time stamp.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::string bytes = Board();
    bytes.replace(bytes.find("first"), 5, "FIRST");
    TempDir::Write(path, bytes);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(TitleOf(store, 1), "FIRST");
    EXPECT_EQ(Load().front().title, "FIRST");

    // Replaced by rename, as the store itself and the Windows program do.
    bytes.replace(bytes.find("other"), 5, "OTHER");
    TempDir::Write(path + ".new", bytes);
    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_EQ(TitleOf(store, 2), "OTHER");

    // Each store keeps its own copy and sees the other's changes.
    BoardMessage changed = MakeMessage("changed", "c");
    changed.number = 1;
    ASSERT_EQ(neighbour.UpdateMessage(changed), 0);
    EXPECT_EQ(TitleOf(store, 1), "changed");
    ASSERT_EQ(store.DeleteMessage(2), 0);
    EXPECT_EQ(TitleOf(neighbour, 2), "") << "a number no message carries leaves the record as it was";

    // A truncated file is refused as before, and nothing of it is kept.
    const std::string whole = Board();
    TempDir::Write(path, whole.substr(0, whole.size() / 2));
    reporter.messages.clear();
    BoardMessage unread;
    unread.number = 1;
    EXPECT_EQ(store.ReadMessage(unread), -1);
    EXPECT_EQ(reporter.messages, Texts{BoardTexts::kReadError});
    TempDir::Write(path, whole);
    EXPECT_EQ(TitleOf(store, 1), "changed");
}

TEST_F(BoardStore, AStoreThatKeepsItsDocumentWritesWhatAFreshReadWouldWrite)
{
    for (const char* declaration : {kUtf8Declaration, kShiftJisDeclaration}) {
        std::vector<std::string> written[2];
        for (const bool reuse : {false, true}) {
            WriteBoard(std::string(declaration) + "<root number=\"1\"><message number=\"1\" date=\"d\" " +
                       "hostname=\"h\">\n<title>t</title>\n</message>\n</root>\n");
            CBoardData writer;
            writer.SetReuse(reuse);
            writer.SetFilePath(path);
            // What it reads after each change, too.
            const auto read = [&writer] {
                std::vector<BoardMessage> messages;
                writer.LoadMessages(messages);
                BoardMessage newest;
                newest.number = messages.empty() ? 0 : messages.back().number;
                writer.ReadMessage(newest);
                std::string titles = newest.title;
                for (const BoardMessage& message : messages)
                    titles += "|" + message.title + message.date;
                return titles;
            };
            for (const char* title : {"一", "二", "三"}) {
                BoardMessage message = MakeMessage(Cp932Codec::FromUtf8(title), "c\r\nd");
                ASSERT_EQ(writer.AddMessage(message), 0);
                written[reuse].push_back(Board());
                written[reuse].push_back(read());
            }
            BoardMessage changed = MakeMessage("changed", "");
            changed.number = 3;
            ASSERT_EQ(writer.UpdateMessage(changed), 0);
            BoardMessage last = MakeMessage("last", "e");
            ASSERT_EQ(writer.AddMessage(last), 0);
            written[reuse].push_back(Board());
            written[reuse].push_back(read());
        }
        EXPECT_EQ(written[true], written[false]) << declaration;
    }
}

TEST_F(BoardStore, ALargeBoardKeepsOnlyItsRecordsAndStillSeesEveryChange)
{
    // Past the size up to which the whole parsed document is kept.
    const size_t limit = 4096;
    store.SetDocumentKeptUpTo(limit);
    const std::string filler(limit, 'x');
    WriteBoard(std::string(kUtf8Declaration) + "<root number=\"2\"><message number=\"1\" date=\"d\" hostname=\"h\">" +
               "<title>first</title><contents>" + filler + "</contents></message>" +
               "<message number=\"2\" date=\"d\" hostname=\"h\"><title>second</title></message>" +
               "<message number=\"2\"><title>later</title></message></root>\n");
    ASSERT_EQ(Load().size(), 3u);
    EXPECT_EQ(TitleOf(store, 2), "second") << "the first message of a number";

    std::string bytes = Board();
    bytes.replace(bytes.find("second"), 6, "SECOND");
    WriteBoard(bytes);
    EXPECT_EQ(TitleOf(store, 2), "SECOND");
    EXPECT_EQ(Load().at(1).title, "SECOND");

    ASSERT_EQ(Add(MakeMessage("new", "c")), 3);
    EXPECT_EQ(TitleOf(store, 3), "new");
    EXPECT_EQ(Load().back().title, "new");
    BoardMessage changed = MakeMessage("changed", "c");
    changed.number = 1;
    ASSERT_EQ(store.UpdateMessage(changed), 0);
    EXPECT_EQ(TitleOf(store, 1), "changed");
}

TEST_F(BoardStore, AFailedSaveKeepsNothingThatDiffersFromTheFile)
{
    WriteBoard(std::string(kUtf8Declaration) + "<root/>\n");
    Add(MakeMessage("kept", "a"));
    const std::string board = Board();
    BoardMessage longer = MakeMessage("too long for the file size limit", std::string(500, 'x'));
    EXPECT_EQ(Injected::UnderFileSizeLimit(board.size() + 10, [&] { return store.AddMessage(longer); }), -1);
    EXPECT_EQ(Board(), board);
    EXPECT_EQ(Load().size(), 1u) << "the message that was not saved is not read";
    EXPECT_EQ(TitleOf(store, 2), "");
}

} // namespace
