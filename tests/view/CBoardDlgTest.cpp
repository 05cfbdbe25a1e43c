#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "net/FakePeerMessenger.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/BoardXml.h"
#include "support/TempDir.h"
#include "ui/MessageBoxReporter.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "view/BoardRefreshThrottle.h"
#include "view/BoardViewContext.h"
#include "view/CAttachFileList.h"
#include "view/CBoardDlg.h"
#include "view/CBoardPrint.h"
#include "view/CBoardTitle.h"
#include "view/CBoardWrite.h"
#include "support/Child.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

// The program as the board view sees it: a board in a folder of its own,
// settings in memory, store failures in message boxes, datagrams recorded.
class TestContext : public BoardViewContext
{
public:
    TestContext()
    {
        std::string error;
        EmptyBoardWriter::Create(folder.file("BoardData.xml"), "UTF-8", error);
        board.SetFilePath(folder.file("BoardData.xml"));
    }
    CBoardData& Board() override { return board; }
    SettingsStore& Store() override { return store; }
    PeerMessenger& Messenger() override { return messenger; }
    std::string_view HostName() const override { return "OWNPC"; }
    std::string_view UserName() const override { return user; }
    std::string MessageFolder() const override { return folder.path() + "/"; }

    TempDir folder;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    MessageBoxReporter reporter;
    CBoardData board{&reporter};
    FakePeerMessenger messenger;
    std::string user = Cp932Codec::FromUtf8("山田");
};

class BoardViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxService::SetResponder([this](const MessageBoxService::Request& request) {
            boxes.push_back(request.text.toStdString());
            return answer;
        });
        ModalRunner::SetHook([this](QDialog& dialog) {
            auto* editor = qobject_cast<CBoardWrite*>(&dialog);
            if (editor == nullptr || !edit)
                return int(QDialog::Rejected);
            editor->show();
            edit(*editor);
            return editor->result();
        });
        view = new CBoardDlg(context, &window);
        window.show();
    }
    void TearDown() override
    {
        MessageBoxService::SetResponder({});
        ModalRunner::SetHook({});
        CBoardPrint::SetDialogHook({});
    }

    CBoardDlg& View() { return *view; }
    CBoardTitle& Titles() { return *Child<CBoardTitle>(View(), QStringLiteral("titleList")); }
    CBoardData& Board() { return context.board; }
    int32_t Add(const std::string& title, const std::string& host, int32_t attach = 0,
                const std::string& date = "20240105093015", const std::string& name = "山田")
    {
        BoardMessage message;
        message.title = Cp932Codec::FromUtf8(title);
        message.contents = Cp932Codec::FromUtf8(title + "の本文");
        message.name = Cp932Codec::FromUtf8(name);
        message.hostname = host;
        message.date = date;
        message.attach = attach;
        message.priority = 2;
        EXPECT_EQ(Board().AddMessage(message), 0);
        return message.number;
    }
    std::string OwnHost() const { return std::string(context.HostName()); }
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint at = Titles().visualRect(Titles().model()->index(row, 1)).center();
        QTest::mousePress(Titles().viewport(), Qt::LeftButton, modifiers, at);
        QTest::mouseRelease(Titles().viewport(), Qt::LeftButton, modifiers, at);
    }
    void SelectNumber(int32_t number) { ClickRow(Titles().FindRow(number)); }
    std::string Folder(const std::string& host, const std::string& date) const
    {
        return context.folder.path() + "/attach/" + host + "_" + date;
    }
    // "target|kind:text" per datagram sent, an empty target being a broadcast.
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> sent;
        for (const FakePeerMessenger::Sent& datagram : context.messenger.sent)
            sent.push_back(datagram.target + "|" + std::to_string(static_cast<int>(datagram.kind)) + ":" +
                           datagram.text);
        return sent;
    }

    TestContext context;
    QWidget window; // the main window
    CBoardDlg* view = nullptr;
    std::vector<std::string> boxes;
    MessageBoxService::Answer answer = MessageBoxService::AnswerOk;
    std::function<void(CBoardWrite&)> edit;
};

TEST_F(BoardViewTest, LaysOutTheControlsFromTheClientSize)
{
    View().resize(640, 400);
    EXPECT_EQ(Titles().geometry(), QRect(10, 10, 540, 180));
    EXPECT_EQ(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->geometry(), QRect(10, 200, 430, 190));
    EXPECT_EQ(Child<CAttachFileList>(View(), QStringLiteral("attachments"))->geometry(), QRect(445, 200, 105, 190));
    EXPECT_EQ(Child<QPushButton>(View(), QStringLiteral("newButton"))->geometry(), QRect(560, 10, 75, 25));
    EXPECT_EQ(Child<QPushButton>(View(), QStringLiteral("printButton"))->geometry(), QRect(560, 100, 75, 25));
    EXPECT_EQ(Child<QPushButton>(View(), QStringLiteral("messageButton"))->geometry(), QRect(560, 150, 75, 25));
    EXPECT_FALSE(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(View(), QStringLiteral("deleteButton"))->isEnabled());
}

TEST_F(BoardViewTest, SelectingShowsTheMessageStopsTheAlertAndAllowsChangesOnlyFromItsOwnComputer)
{
    const int32_t others = Add("よその", "OTHERPC", 1, "20240105093015");
    const int32_t mine = Add("自分の", OwnHost(), 0, "20240105093016");
    fs::create_directories(Folder("OTHERPC", "20240105093015") + "/sub");
    TempDir::Write(Folder("OTHERPC", "20240105093015") + "/a.txt", "a");
    fs::create_directories(Folder(OwnHost(), "20240105093016"));
    TempDir::Write(Folder(OwnHost(), "20240105093016") + "/unlisted.txt", "x");
    View().RefreshTitles(0);
    EXPECT_EQ(Titles().FirstSelectedRow(), -1);

    QSignalSpy seen(&View(), &CBoardDlg::stopFlash);
    View().RefreshTitlesFromNotice(others);
    EXPECT_EQ(seen.count(), 0) << "a notice's own selection does not stop the alert";

    EXPECT_EQ(View().SelectedNumber(), others);

    SelectNumber(mine);
    EXPECT_GT(seen.count(), 0) << "the member has seen the board";
    EXPECT_TRUE(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(View(), QStringLiteral("deleteButton"))->isEnabled());
    EXPECT_EQ(Child<CAttachFileList>(View(), QStringLiteral("attachments"))->count(), 0) << "attach 0: the folder is not looked at";

    SelectNumber(others);
    EXPECT_EQ(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText(), QStringLiteral("よそのの本文"));
    EXPECT_FALSE(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled()) << "same user name, other computer";
    EXPECT_FALSE(Child<QPushButton>(View(), QStringLiteral("deleteButton"))->isEnabled());
    EXPECT_EQ(Child<CAttachFileList>(View(), QStringLiteral("attachments"))->count(), 1) << "files only, no sub-folder";

    // With two rows selected the topmost one is shown.
    ClickRow(0);
    ClickRow(1, Qt::ControlModifier);
    EXPECT_EQ(View().SelectedNumber(), Titles().RowNumber(0));
    EXPECT_EQ(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText(), QStringLiteral("自分のの本文"));

    // Another member deleted it meanwhile: empty pane, no changes allowed.
    ClickRow(0);
    ASSERT_EQ(Board().DeleteMessage(mine), 0);
    View().ShowMessage(mine);
    EXPECT_TRUE(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText().isEmpty());
    EXPECT_FALSE(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled());
}

// Qt makes a pressed row current at once but shrinks a selection only on the
// release; sorting moves selected rows without a selection change.
TEST_F(BoardViewTest, PaneButtonsAndActionsFollowTheTopmostRowOfTheSelectionAsItFinallyStands)
{
    for (const char* title : {"a", "b", "c", "d"})
        Add(title, title[0] % 2 == 1 ? OwnHost() : "OTHERPC"); // a and c are ours; the rows run d, c, b, a
    const auto key = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) { QTest::keyClick(&Titles(), key, modifiers); };
    const auto sort = [this] { Titles().horizontalHeader()->sectionClicked(0); };
    const struct { const char* steps; std::function<void()> act; int shownRow; } cases[] = {
        {"Ctrl+A, click 1", [&] { key(Qt::Key_A, Qt::ControlModifier); ClickRow(1); }, 1},
        {"click 0, Shift 2, click 2", [&] { ClickRow(0); ClickRow(2, Qt::ShiftModifier); ClickRow(2); }, 2},
        {"click 3, Shift 0, Shift 1", [&] { ClickRow(3); ClickRow(0, Qt::ShiftModifier); ClickRow(1, Qt::ShiftModifier); }, 1},
        {"click 0, Ctrl 1, Ctrl 0", [&] { ClickRow(0); ClickRow(1, Qt::ControlModifier); ClickRow(0, Qt::ControlModifier); }, 1},
        {"click 0, Shift 1, Ctrl+Up, Ctrl+Space",
         [&] { ClickRow(0); ClickRow(1, Qt::ShiftModifier); key(Qt::Key_Up, Qt::ControlModifier); key(Qt::Key_Space, Qt::ControlModifier); }, 1},
        {"click 0, Ctrl 2, Ctrl 3", [&] { ClickRow(0); ClickRow(2, Qt::ControlModifier); ClickRow(3, Qt::ControlModifier); }, 0},
        {"click 0, Ctrl 2, sort", [&] { ClickRow(0); ClickRow(2, Qt::ControlModifier); sort(); }, 1},
    };
    for (const auto& c : cases) {
        View().RefreshTitles(-1);
        View().ClearMessagePane();
        c.act();
        const int32_t number = Titles().RowNumber(c.shownRow);
        BoardMessage shown{number};
        ASSERT_EQ(Board().ReadMessage(shown), 0);
        EXPECT_EQ(Titles().FirstSelectedRow(), c.shownRow) << c.steps;
        EXPECT_EQ(View().SelectedNumber(), number) << c.steps;
        EXPECT_EQ(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText().toStdString(), Cp932Codec::ToUtf8(shown.contents)) << c.steps;
        EXPECT_EQ(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled(), shown.hostname == OwnHost()) << c.steps;
    }
    CBoardTitle::ResetSortState();
}

TEST_F(BoardViewTest, NewAndModifyRefreshTheListAndTellTheOtherMembers)
{
    Add("b", OwnHost());
    edit = [](CBoardWrite& editor) {
        Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("a"));
        editor.OnOK();
    };
    View().PostNew();
    ASSERT_EQ(Titles().RowCount(), 2);
    EXPECT_EQ(Titles().RowNumber(Titles().FirstSelectedRow()), 2);
    EXPECT_EQ(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText(), QString());
    EXPECT_EQ(Sent(), std::vector<std::string>{"|3:2"});

    // Sorted by title, a modified title keeps its row until the next reload.
    Titles().horizontalHeader()->sectionClicked(1);
    ASSERT_EQ(Titles().RowNumber(0), 2); // "a" before "b"
    ClickRow(0);
    edit = [](CBoardWrite& editor) {
        Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("z"));
        editor.OnOK();
    };
    View().ModifySelected();
    EXPECT_EQ(Titles().RowNumber(0), 2);
    EXPECT_EQ(Titles().model()->index(0, 1).data().toString(), QStringLiteral("z"));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"|3:2", "|3:2"}));

    edit = [](CBoardWrite& editor) { editor.reject(); };
    View().ModifySelected();
    View().PostNew();
    EXPECT_EQ(Sent().size(), 2u) << "a cancelled editor announces nothing";
    CBoardTitle::ResetSortState();
}

TEST_F(BoardViewTest, DeleteAsksRemovesAttachmentsOnlyWithTheMessageAndAnnouncesTheMemberName)
{
    const int32_t plain = Add("files", OwnHost(), 0, "20240105093015");
    const int32_t nested = Add("nested", OwnHost(), 1, "20240105093016");
    const std::string plainFolder = Folder(OwnHost(), "20240105093015");
    const std::string nestedFolder = Folder(OwnHost(), "20240105093016");
    fs::create_directories(plainFolder);
    TempDir::Write(plainFolder + "/a.txt", "a");
    fs::create_directories(nestedFolder + "/by-hand");
    TempDir::Write(nestedFolder + "/b.txt", "b");
    View().RefreshTitles(0);

    SelectNumber(plain);
    answer = MessageBoxService::AnswerNo;
    View().DeleteSelected();
    EXPECT_EQ(boxes, std::vector<std::string>{"このメッセージ削除します"});
    EXPECT_EQ(Titles().RowCount(), 2);

    answer = MessageBoxService::AnswerYes;
    View().DeleteSelected();
    EXPECT_FALSE(fs::exists(plainFolder)) << "attach 0 still removes a folder of its name";
    EXPECT_EQ(Titles().RowCount(), 1);
    EXPECT_EQ(Titles().FirstSelectedRow(), -1);
    EXPECT_TRUE(Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText().isEmpty());
    EXPECT_EQ(Sent(), std::vector<std::string>{"|7:" + Cp932Codec::FromUtf8("山田")});
    EXPECT_TRUE(Child<QPushButton>(View(), QStringLiteral("modifyButton"))->isEnabled()) << "buttons keep their state";
    View().ModifySelected(); // nothing selected: nothing happens

    // A delete the board file does not take leaves the attachments alone.
    SelectNumber(nested);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const struct rlimit tiny = {16, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    View().DeleteSelected();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(Titles().RowCount(), 1);
    EXPECT_TRUE(fs::exists(nestedFolder + "/b.txt"));

    View().RefreshTitles(nested);
    View().DeleteSelected();
    EXPECT_EQ(Titles().RowCount(), 0);
    EXPECT_FALSE(fs::exists(nestedFolder + "/b.txt"));
    EXPECT_TRUE(fs::exists(nestedFolder + "/by-hand")) << "a sub-folder keeps the folder";
}

TEST_F(BoardViewTest, AFolderThatAnotherMessageNamesTooStaysUntilTheLastOfThemIsDeleted)
{
    const std::string date = "20240105093015";
    TempDir::Write(context.folder.file("BoardData.xml"), BoardXml({{OwnHost(), date}, {OwnHost(), date}}));
    const std::string shared = Folder(OwnHost(), date);
    fs::create_directories(shared);
    TempDir::Write(shared + "/a.txt", "a");
    View().RefreshTitles(0);
    answer = MessageBoxService::AnswerYes;
    for (const int32_t number : {1, 2}) {
        EXPECT_TRUE(fs::exists(shared + "/a.txt")) << number;
        SelectNumber(number);
        View().DeleteSelected();
    }
    EXPECT_EQ(Titles().RowCount(), 0);
    EXPECT_FALSE(fs::exists(shared));
}

TEST_F(BoardViewTest, ABurstOfNoticesCostsAFewReloadsAndEndsOnTheLastNumber)
{
    for (int i = 0; i < 30; ++i)
        Add("m" + std::to_string(i), "OTHERPC");
    const int before = View().ReloadCount();
    QSignalSpy seen(&View(), &CBoardDlg::stopFlash);
    for (int i = 1; i <= 30; ++i)
        View().RefreshTitlesFromNotice(i);
    EXPECT_LE(View().ReloadCount() - before, 1);
    EXPECT_TRUE(View().Throttle().Pending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !View().Throttle().Pending(); }, 5000));
    EXPECT_LE(View().ReloadCount() - before, 2);
    EXPECT_EQ(Titles().RowNumber(Titles().FirstSelectedRow()), 30);
    EXPECT_EQ(seen.count(), 0) << "the alert outlives the notices' selections";

    // The member's own change makes a put-off reload unnecessary.
    View().RefreshTitlesFromNotice(5);
    View().RefreshTitlesFromNotice(5);
    ASSERT_TRUE(View().Throttle().Pending());
    View().RefreshTitles(7);
    EXPECT_FALSE(View().Throttle().Pending());
}

TEST_F(BoardViewTest, PrintingWantsASelectionAndFollowsTheListOrder)
{
    View().PrintSelected();
    EXPECT_EQ(boxes, std::vector<std::string>{"印刷するメッセージを選択して下さい。"});
    Add("beta", "OTHERPC");
    Add("alpha", "OTHERPC");
    Add("gamma", "OTHERPC");
    View().RefreshTitles(0);
    Titles().horizontalHeader()->sectionClicked(1); // by title, ascending
    Titles().selectAll();

    const std::string pdf = context.folder.file("out.pdf");
    bool asked = false;
    CBoardPrint::SetDialogHook([&](QPrinter& printer, QWidget*) {
        asked = true;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return int(QDialog::Accepted);
    });
    View().PrintSelected();
    CBoardTitle::ResetSortState();
    ASSERT_TRUE(asked);
    ASSERT_TRUE(fs::exists(pdf));
    if (std::system("command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "pdftotext missing";
    ASSERT_EQ(std::system(("pdftotext " + pdf + " " + context.folder.file("out.txt")).c_str()), 0);
    const std::string text = TempDir::Read(context.folder.file("out.txt"));
    const size_t alpha = text.find("alpha"), beta = text.find("beta"), gamma = text.find("gamma");
    ASSERT_NE(gamma, std::string::npos);
    EXPECT_LT(alpha, beta);
    EXPECT_LT(beta, gamma);
}

TEST_F(BoardViewTest, TheBackgroundDragsTheWindowAndOffersTheWindowMenu)
{
    View().resize(640, 400);
    const QPoint start = window.pos();
    // Below the button column: the view's own background.
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, QPoint(600, 185));
    QMouseEvent move(QEvent::MouseMove, QPointF(630, 200), View().mapToGlobal(QPointF(630, 200)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &move);
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, QPoint(630, 200));
    EXPECT_EQ(window.pos(), start + QPoint(30, 15));

    QStringList entries;
    bool restoreEnabled = true;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                entries << action->text();
                if (action->text() == QStringLiteral("元のサイズに戻す"))
                    restoreEnabled = action->isEnabled();
            }
            menu->close();
        }
    });
    QTest::mousePress(&View(), Qt::RightButton, Qt::NoModifier, QPoint(600, 185));
    EXPECT_TRUE(entries.contains(QStringLiteral("閉じる")));
    EXPECT_FALSE(entries.contains(QStringLiteral("開く")));
    EXPECT_FALSE(restoreEnabled);

    Titles().setFocus();
    QTest::keyClick(&Titles(), Qt::Key_Return);
    QTest::keyClick(&Titles(), Qt::Key_Escape);
    EXPECT_TRUE(View().isVisible());
    EXPECT_TRUE(window.isVisible());

    // A focused button answers Enter, as in a dialog.
    int opened = 0;
    edit = [&](CBoardWrite& editor) { ++opened, editor.reject(); };
    Child<QPushButton>(View(), QStringLiteral("newButton"))->setFocus();
    QTest::keyClick(Child<QPushButton>(View(), QStringLiteral("newButton")), Qt::Key_Return);
    EXPECT_EQ(opened, 1);
}

} // namespace
