#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "net/FakePeerMessenger.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/BoardXml.h"
#include "support/TempDir.h"
#include "ui/FileDialogService.h"
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
#include "support/LaidOut.h"
#include "support/RecordedBoxes.h"

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
        CBoardTitle::ResetSortState();
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
    QString Pane() { return Child<QPlainTextEdit>(View(), QStringLiteral("contents"))->toPlainText(); }
    bool Enabled(const char* button) { return Child<QPushButton>(View(), QString::fromLatin1(button))->isEnabled(); }
    int Attachments() { return Child<CAttachFileList>(View(), QStringLiteral("attachments"))->count(); }
    void SortByTitle() { Titles().horizontalHeader()->sectionClicked(1); }
    static void SetTitle(CBoardWrite& editor, const char* title)
    {
        Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QString::fromUtf8(title));
        editor.OnOK();
    }
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
    RecordedBoxes boxes;
    std::function<void(CBoardWrite&)> edit;
};

TEST_F(BoardViewTest, SelectingShowsTheMessageStopsTheAlertAndAllowsChangesOnlyFromItsOwnComputer)
{
    View().resize(640, 400);
    ExpectLaidOut(View(), {"titleList", "contents", "attachments", "newButton", "modifyButton", "deleteButton",
                           "printButton", "messageButton"});
    EXPECT_FALSE(Enabled("modifyButton") || Enabled("deleteButton"));
    const int32_t others = Add("よその", "OTHERPC", 1, "20240105093015");
    const int32_t mine = Add("自分の", OwnHost(), 0, "20240105093016");
    fs::create_directories(Folder("OTHERPC", "20240105093015") + "/sub");
    TempDir::Write(Folder("OTHERPC", "20240105093015") + "/a.txt", "a");
    fs::create_directories(Folder(OwnHost(), "20240105093016"));
    TempDir::Write(Folder(OwnHost(), "20240105093016") + "/unlisted.txt", "x");

    QSignalSpy seen(&View(), &CBoardDlg::stopFlash);
    View().RefreshTitlesFromNotice(others);
    EXPECT_EQ(View().SelectedNumber(), others);
    EXPECT_EQ(seen.count(), 0) << "a notice's own selection does not stop the alert";

    SelectNumber(mine);
    EXPECT_GT(seen.count(), 0) << "the member has seen the board";
    EXPECT_TRUE(Enabled("modifyButton") && Enabled("deleteButton"));
    EXPECT_EQ(Attachments(), 0) << "attach 0: the folder is not looked at";

    SelectNumber(others);
    EXPECT_EQ(Pane(), QStringLiteral("よそのの本文"));
    EXPECT_FALSE(Enabled("modifyButton") || Enabled("deleteButton")) << "same user name, other computer";
    EXPECT_EQ(Attachments(), 1) << "files only, no sub-folder";

    // The attachment's own menu: 保存 asks where to save it.
    std::vector<FileDialogService::Kind> asked;
    FileDialogService::SetResponder([&](const FileDialogService::Request& request) {
        asked.push_back(request.kind);
        return QString();
    });
    auto* list = Child<CAttachFileList>(View(), QStringLiteral("attachments"));
    list->setCurrentRow(0);
    QTimer::singleShot(0, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->text() == QStringLiteral("保存"))
                    action->trigger();
            menu->close();
        }
    });
    emit list->customContextMenuRequested(list->visualItemRect(list->item(0)).center());
    FileDialogService::SetResponder({});
    EXPECT_EQ(asked, std::vector<FileDialogService::Kind>{FileDialogService::Kind::SaveAs});

    // Another member deleted it meanwhile: empty pane, no changes allowed.
    SelectNumber(mine);
    ASSERT_EQ(Board().DeleteMessage(mine), 0);
    View().ShowMessage(mine);
    EXPECT_TRUE(Pane().isEmpty());
    EXPECT_FALSE(Enabled("modifyButton"));
}

// Qt makes a pressed row current at once but shrinks a selection only on the
// release; sorting moves selected rows without a selection change.
TEST_F(BoardViewTest, PaneButtonsAndActionsFollowTheTopmostRowOfTheSelectionAsItFinallyStands)
{
    for (const char* title : {"a", "b", "c", "d"})
        Add(title, title[0] % 2 == 1 ? OwnHost() : "OTHERPC"); // a and c are ours; the rows run d, c, b, a
    const auto key = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) { QTest::keyClick(&Titles(), key, modifiers); };
    const struct { const char* steps; std::function<void()> act; int shownRow; } cases[] = {
        {"Ctrl+A, click 1", [&] { key(Qt::Key_A, Qt::ControlModifier); ClickRow(1); }, 1},
        {"click 0, Shift 2, click 2", [&] { ClickRow(0); ClickRow(2, Qt::ShiftModifier); ClickRow(2); }, 2},
        {"click 3, Shift 0, Shift 1", [&] { ClickRow(3); ClickRow(0, Qt::ShiftModifier); ClickRow(1, Qt::ShiftModifier); }, 1},
        {"click 0, Ctrl 1, Ctrl 0", [&] { ClickRow(0); ClickRow(1, Qt::ControlModifier); ClickRow(0, Qt::ControlModifier); }, 1},
        {"click 0, Shift 1, Ctrl+Up, Ctrl+Space",
         [&] { ClickRow(0); ClickRow(1, Qt::ShiftModifier); key(Qt::Key_Up, Qt::ControlModifier); key(Qt::Key_Space, Qt::ControlModifier); }, 1},
        {"click 0, Ctrl 2, Ctrl 3", [&] { ClickRow(0); ClickRow(2, Qt::ControlModifier); ClickRow(3, Qt::ControlModifier); }, 0},
        {"click 0, Ctrl 2, sort", [&] { ClickRow(0); ClickRow(2, Qt::ControlModifier); SortByTitle(); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        View().RefreshTitles(-1);
        View().ClearMessagePane();
        c.act();
        BoardMessage shown{Titles().RowNumber(c.shownRow)};
        ASSERT_EQ(Board().ReadMessage(shown), 0);
        EXPECT_EQ(Titles().FirstSelectedRow(), c.shownRow);
        EXPECT_EQ(View().SelectedNumber(), shown.number);
        EXPECT_EQ(Pane().toStdString(), Cp932Codec::ToUtf8(shown.contents));
        EXPECT_EQ(Enabled("modifyButton"), shown.hostname == OwnHost());
    }
}

TEST_F(BoardViewTest, NewAndModifyRefreshTheListAndTellTheOtherMembers)
{
    Add("b", OwnHost());
    edit = [](CBoardWrite& editor) { SetTitle(editor, "a"); };
    View().PostNew();
    ASSERT_EQ(Titles().RowCount(), 2);
    EXPECT_EQ(Titles().RowNumber(Titles().FirstSelectedRow()), 2);
    EXPECT_EQ(Sent(), std::vector<std::string>{"|3:2"});

    // Sorted by title, a modified title keeps its row until the next reload.
    SortByTitle();
    ASSERT_EQ(Titles().RowNumber(0), 2); // "a" before "b"
    ClickRow(0);
    edit = [](CBoardWrite& editor) { SetTitle(editor, "z"); };
    View().ModifySelected();
    EXPECT_EQ(Titles().RowNumber(0), 2);
    EXPECT_EQ(Titles().model()->index(0, 1).data().toString(), QStringLiteral("z"));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"|3:2", "|3:2"}));

    edit = [](CBoardWrite& editor) { editor.reject(); };
    View().ModifySelected();
    View().PostNew();
    EXPECT_EQ(Sent().size(), 2u) << "a cancelled editor announces nothing";
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
    boxes.answer = MessageBoxService::AnswerNo;
    View().DeleteSelected();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"このメッセージ削除します"});
    EXPECT_EQ(Titles().RowCount(), 2);

    boxes.answer = MessageBoxService::AnswerYes;
    View().DeleteSelected();
    EXPECT_FALSE(fs::exists(plainFolder)) << "attach 0 still removes a folder of its name";
    EXPECT_EQ(Titles().RowCount(), 1);
    EXPECT_EQ(Titles().FirstSelectedRow(), -1);
    EXPECT_TRUE(Pane().isEmpty());
    EXPECT_EQ(Sent(), std::vector<std::string>{"|7:" + Cp932Codec::FromUtf8("山田")});

    // A delete the board file does not take leaves the attachments alone.
    SelectNumber(nested);
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
    boxes.answer = MessageBoxService::AnswerYes;
    for (const int32_t number : {1, 2}) {
        EXPECT_TRUE(fs::exists(shared + "/a.txt")) << number;
        SelectNumber(number);
        View().DeleteSelected();
    }
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
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"印刷するメッセージを選択して下さい。"});
    for (const char* title : {"beta", "alpha", "gamma"})
        Add(title, "OTHERPC");
    View().RefreshTitles(0);
    SortByTitle();
    Titles().selectAll();
    const std::string pdf = context.folder.file("out.pdf");
    CBoardPrint::SetDialogHook([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return int(QDialog::Accepted);
    });
    View().PrintSelected();
    ASSERT_TRUE(fs::exists(pdf));
    if (std::system("command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "pdftotext missing";
    ASSERT_EQ(std::system(("pdftotext " + pdf + " " + context.folder.file("out.txt")).c_str()), 0);
    const std::string text = TempDir::Read(context.folder.file("out.txt"));
    const size_t alpha = text.find("alpha"), beta = text.find("beta"), gamma = text.find("gamma");
    ASSERT_NE(gamma, std::string::npos);
    EXPECT_TRUE(alpha < beta && beta < gamma);
}

TEST_F(BoardViewTest, TheBackgroundDragsTheWindowAndOffersTheWindowMenuAndAFocusedButtonAnswersEnter)
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
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                entries << action->text() + (action->isEnabled() ? "" : " (off)");
            menu->close();
        }
    });
    QTest::mousePress(&View(), Qt::RightButton, Qt::NoModifier, QPoint(600, 185));
    EXPECT_TRUE(entries.contains(QStringLiteral("閉じる")));
    EXPECT_TRUE(entries.contains(QStringLiteral("元のサイズに戻す (off)")));
    EXPECT_FALSE(entries.contains(QStringLiteral("開く")));

    int opened = 0;
    edit = [&](CBoardWrite& editor) { ++opened, editor.reject(); };
    Child<QPushButton>(View(), QStringLiteral("newButton"))->setFocus();
    QTest::keyClick(Child<QPushButton>(View(), QStringLiteral("newButton")), Qt::Key_Return);
    EXPECT_EQ(opened, 1);
}

} // namespace
