#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "net/FakePeerMessenger.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/BoardXml.h"
#include "support/Child.h"
#include "support/Injected.h"
#include "support/LoggedWarnings.h"
#include "support/RecordedBoxes.h"
#include "support/TempDir.h"
#include "ui/FileDialogService.h"
#include "ui/MessageBoxReporter.h"
#include "ui/ModalRunner.h"
#include "view/BoardRefreshThrottle.h"
#include "view/BoardViewContext.h"
#include "view/CAttachFileList.h"
#include "view/CBoardDlg.h"
#include "view/CBoardTitle.h"
#include "view/CBoardWrite.h"
#include "view/TitleListModel.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The program as the board view sees it: a board in a folder of its own,
// settings in memory, store failures in message boxes, datagrams recorded.
class TestContext : public BoardViewContext
{
public:
    TestContext()
    {
        EmptyBoardWriter::Create(folder.file("BoardData.xml"), "UTF-8");
        board.SetFilePath(folder.file("BoardData.xml"));
    }
    CBoardData& Board() override { return board; }
    SettingsStore& Store() override { return store; }
    PeerMessenger& Messenger() override { return messenger; }
    std::string_view HostName() const override { return "OWNPC"; }
    std::string_view UserName() const override { return user; }
    std::string MessageFolder() const override { return folder.path() + "/"; }
    std::string ReadStatePath() const override { return readStatePath; }

    TempDir folder;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    MessageBoxReporter reporter;
    CBoardData board{&reporter};
    FakePeerMessenger messenger;
    std::string user = Cp932Codec::FromUtf8("山田");
    std::string readStatePath;
};


const std::string kOwn = "OWNPC";
using Texts = std::vector<std::string>;

// The picture of the resource, or a transparent one without.
bool SameImage(const QPixmap& image, const char* resource)
{
    QImage expected(16, 16, QImage::Format_ARGB32);
    expected.fill(Qt::transparent);
    return image.toImage().convertToFormat(QImage::Format_ARGB32) ==
           (resource != nullptr ? QImage(resource).convertToFormat(QImage::Format_ARGB32) : expected);
}

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
        window.resize(640, 400);
        view->resize(640, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override
    {
        CBoardTitle::ResetSortState();
        ModalRunner::SetHook({});
    }

    CBoardTitle& Titles() { return *Child<CBoardTitle>(*view, QStringLiteral("titleList")); }
    int32_t Add(const std::string& title, const std::string& host = "OTHERPC", int32_t attach = 0,
                const std::string& date = "20240105093015", int priority = 2)
    {
        BoardMessage message{0, Cp932Codec::FromUtf8(title), context.user, Cp932Codec::FromUtf8(title + "の本文"),
                             priority, attach, date, host};
        EXPECT_EQ(context.board.AddMessage(message), 0);
        return message.number;
    }
    QString Pane() { return Child<QPlainTextEdit>(*view, QStringLiteral("contents"))->toPlainText(); }
    bool CanModify() { return Child<QPushButton>(*view, QStringLiteral("modifyButton"))->isEnabled(); }
    Texts Column(int column)
    {
        Texts texts;
        for (int row = 0; row < Titles().RowCount(); ++row)
            texts.push_back(Titles().model()->index(row, column).data().toString().toStdString());
        return texts;
    }
    void ClickHeader(int column)
    {
        QHeaderView* header = Titles().horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    void ClickRow(int row)
    {
        QTest::mouseClick(Titles().viewport(), Qt::LeftButton, {}, Titles().visualRect(Titles().model()->index(row, 1)).center());
    }
    void SelectNumber(int32_t number) { ClickRow(Titles().FindRow(number)); }
    std::string Folder(const std::string& host, const std::string& date, const std::string& file = "") const
    {
        const std::string path = context.folder.path() + "/attach/" + host + "_" + date;
        if (!file.empty())
            TempDir::Put(path + "/" + file, file);
        return path;
    }
    // "kind:text" per datagram broadcast.
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> sent;
        for (const FakePeerMessenger::Sent& datagram : context.messenger.sent)
            sent.push_back(datagram.target + std::to_string(static_cast<int>(datagram.kind)) + ":" + datagram.text);
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
    EXPECT_FALSE(CanModify());
    view->PrintSelected();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"印刷するメッセージを選択して下さい。"});
    const int32_t others = Add("よその", "OTHERPC", 1, "20240105093015");
    const int32_t mine = Add("自分の", kOwn, 0, "20240105093016");
    fs::create_directories(Folder("OTHERPC", "20240105093015") + "/sub");
    Folder("OTHERPC", "20240105093015", "a.txt");
    Folder(kOwn, "20240105093016", "unlisted.txt");
    auto* attachments = Child<CAttachFileList>(*view, QStringLiteral("attachments"));

    QSignalSpy seen(view, &CBoardDlg::stopFlash);
    view->RefreshTitlesFromNotice(others);
    EXPECT_EQ(view->SelectedNumber(), others);
    EXPECT_EQ(seen.count(), 0) << "a notice's own selection does not stop the alert";
    SelectNumber(mine);
    EXPECT_GT(seen.count(), 0) << "the member has seen the board";
    EXPECT_TRUE(CanModify() && Child<QPushButton>(*view, QStringLiteral("deleteButton"))->isEnabled());
    EXPECT_EQ(attachments->count(), 0) << "attach 0: the folder is not looked at";
    SelectNumber(others);
    EXPECT_EQ(Pane(), QStringLiteral("よそのの本文"));
    EXPECT_FALSE(CanModify() || Child<QPushButton>(*view, QStringLiteral("deleteButton"))->isEnabled())
        << "same user name, other computer";
    EXPECT_EQ(attachments->count(), 1) << "files only, no sub-folder";

    // The attachment's own menu: 保存 asks where to save it.
    std::vector<FileDialogService::Kind> asked;
    FileDialogService::SetResponder([&](const auto& request) { return asked.push_back(request.kind), QString(); });
    attachments->setCurrentRow(0);
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text().startsWith(QStringLiteral("保存")))
                action->trigger();
        menu->close();
    });
    emit attachments->customContextMenuRequested(attachments->visualItemRect(attachments->item(0)).center());
    FileDialogService::SetResponder({});
    EXPECT_EQ(asked, std::vector<FileDialogService::Kind>{FileDialogService::Kind::SaveAs});
}

TEST_F(BoardViewTest, NewAndModifyRefreshTheListAndTellTheOtherMembersAndAFocusedButtonAnswersEnter)
{
    Add("b", kOwn);
    edit = [](CBoardWrite& editor) { Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText("a"), editor.OnOK(); };
    view->PostNew();
    ASSERT_EQ(Titles().RowCount(), 2);
    EXPECT_EQ(Titles().RowNumber(Titles().FirstSelectedRow()), 2);
    EXPECT_EQ(Sent(), std::vector<std::string>{"3:2"});

    // Sorted by title, a modified title keeps its row until the next reload.
    ClickHeader(1);
    ClickRow(0);
    edit = [](CBoardWrite& editor) { Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText("z"), editor.OnOK(); };
    view->ModifySelected();
    EXPECT_EQ(Titles().RowNumber(0), 2);
    EXPECT_EQ(Titles().model()->index(0, 1).data().toString(), QStringLiteral("z"));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"3:2", "3:2"}));

    int opened = 0;
    edit = [&](CBoardWrite& editor) { ++opened, editor.reject(); };
    view->ModifySelected();
    auto* button = Child<QPushButton>(*view, QStringLiteral("newButton"));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return); // a focused button answers Enter
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(Sent().size(), 2u) << "a cancelled editor announces nothing";
}

TEST_F(BoardViewTest, DeleteAsksRemovesAttachmentsOnlyWithTheMessageAndAnnouncesTheMemberName)
{
    const int32_t plain = Add("files", kOwn, 0, "20240105093015");
    const int32_t nested = Add("nested", kOwn, 1, "20240105093016");
    const std::string plainFolder = Folder(kOwn, "20240105093015", "a.txt");
    const std::string nestedFolder = Folder(kOwn, "20240105093016", "b.txt");
    fs::create_directories(nestedFolder + "/by-hand");
    view->RefreshTitles(0);

    SelectNumber(plain);
    view->DeleteSelected(); // answered No
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"このメッセージ削除します"});
    EXPECT_EQ(Titles().RowCount(), 2);
    boxes.answer = MessageBoxService::AnswerYes;
    view->DeleteSelected();
    EXPECT_FALSE(fs::exists(plainFolder)) << "attach 0 still removes a folder of its name";
    EXPECT_TRUE(Titles().RowCount() == 1 && Titles().FirstSelectedRow() == -1 && Pane().isEmpty());
    EXPECT_EQ(Sent(), std::vector<std::string>{"7:" + context.user});

    // A delete the board file does not take leaves the attachments alone.
    SelectNumber(nested);
    Injected::UnderFileSizeLimit(16, [&] { view->DeleteSelected(); return 0; });
    EXPECT_EQ(Titles().RowCount(), 1);
    EXPECT_TRUE(fs::exists(nestedFolder + "/b.txt"));
    view->RefreshTitles(nested);
    view->DeleteSelected();
    EXPECT_EQ(Titles().RowCount(), 0);
    EXPECT_FALSE(fs::exists(nestedFolder + "/b.txt"));
    EXPECT_TRUE(fs::exists(nestedFolder + "/by-hand")) << "a sub-folder keeps the folder";
}

TEST_F(BoardViewTest, AFolderThatAnotherMessageNamesTooStaysUntilTheLastOfThemIsDeleted)
{
    const std::string date = "20240105093015";
    TempDir::Write(context.folder.file("BoardData.xml"), BoardXml({{kOwn, date}, {kOwn, date}}));
    const std::string shared = Folder(kOwn, date, "a.txt");
    view->RefreshTitles(0);
    boxes.answer = MessageBoxService::AnswerYes;
    for (const int32_t number : {1, 2}) {
        EXPECT_TRUE(fs::exists(shared + "/a.txt")) << number;
        SelectNumber(number);
        view->DeleteSelected();
    }
    EXPECT_FALSE(fs::exists(shared));
}

TEST_F(BoardViewTest, TitlesSortNewestFirstThenByTheClickedColumnsOwnDirectionAndKeepItOverReloads)
{
    for (const char* title : {"亜", "A", "ｱ", "A"})
        Add(title);
    view->RefreshTitles(-1);
    EXPECT_EQ(Column(0), (Texts{"000004", "000003", "000002", "000001"}));
    // By code value ｱ (0xB1) comes before 亜 (0x889F); equal titles keep the newest first.
    const std::pair<int, Texts> clicks[] = {{1, {"000004", "000002", "000003", "000001"}},
                                            {1, {"000001", "000003", "000004", "000002"}},
                                            {0, {"000001", "000002", "000003", "000004"}}};
    for (const auto& [column, numbers] : clicks) {
        ClickHeader(column);
        EXPECT_EQ(Column(0), numbers) << column;
    }
    // Enough equal titles that an unstable sort would mix them.
    for (int i = 0; i < 40; ++i)
        Add("same");
    ClickHeader(1);
    EXPECT_EQ(Titles().Reload(-1), 44);
    const Texts numbers = Column(0);
    EXPECT_TRUE(numbers.front() == "000004" && numbers.back() == "000001");
    EXPECT_TRUE(std::is_sorted(numbers.begin() + 2, numbers.end() - 2, std::greater<>()));
}

TEST(TitleText, ComparesCodeValuesNotBytesAndFormatsFourteenCharacterDates)
{
    const struct { const char* a; const char* b; int sign; } cases[] = {
        {"abc", "abc", 0}, {"ab", "abc", -1}, {"", "a", -1}, {"b", "a", 1},
        {"\xB1", "\x88\x9F", -1},     // ｱ and 亜: bytes would say 0xB1 > 0x88
        {"\x82\xA0", "\x82\xA2", -1}, // あ < い
        {"\x82", "\x82\xA0", -1},     // a lead byte at the end counts alone
        {"\x81\x40", "\xA1", 1},      // full-width space 0x8140 > ｡ 0xA1
    };
    const auto sign = [](int result) { return (result > 0) - (result < 0); };
    for (const auto& c : cases) {
        EXPECT_EQ(sign(CBoardTitle::CompareText(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(sign(CBoardTitle::CompareText(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(CBoardTitle::FormatListDate("20021105093015"), "2002/11/05 09:30:15");
    EXPECT_EQ(CBoardTitle::FormatListDate("2002110509301"), "");
    EXPECT_EQ(CBoardTitle::FormatListDate("200211050930150"), "");
}

TEST_F(BoardViewTest, TitlesReloadSelectingTheNumberTakeTheFocusAndAFailingLoadEmptiesTheList)
{
    for (const char* title : {"a", "b", "c"})
        Add(title);
    auto* pane = Child<QPlainTextEdit>(*view, QStringLiteral("contents"));
    pane->setFocus();
    EXPECT_EQ(Titles().Reload(-1), 3);
    EXPECT_TRUE(Titles().FirstSelectedRow() == -1 && pane->hasFocus());
    EXPECT_EQ(Titles().Reload(99), 3);
    EXPECT_TRUE(Titles().hasFocus());
    // After a reload selecting nothing, the first arrow key selects the top row.
    QTest::keyClick(&Titles(), Qt::Key_Down);
    EXPECT_EQ(Titles().SelectedRows(), std::vector<int>{0});
    pane->setFocus();
    EXPECT_EQ(Titles().Reload(2, "test"), 3);
    EXPECT_EQ(Pane(), QStringLiteral("bの本文")) << "the list says its row was chosen";
    EXPECT_TRUE(Titles().SelectedRows() == std::vector<int>{1} && Titles().hasFocus());

    // Contents read before keep their rows; a title rewritten in place with one of its length is seen.
    QSignalSpy rebuilt(Titles().model(), &QAbstractItemModel::modelReset);
    EXPECT_EQ(Titles().Reload(-1), 3);
    EXPECT_TRUE(rebuilt.empty() && Titles().FirstSelectedRow() == -1);
    std::string bytes = TempDir::Read(context.folder.file("BoardData.xml"));
    bytes.replace(bytes.find("<title>a<"), 9, "<title>z<");
    TempDir::Write(context.folder.file("BoardData.xml"), bytes);
    EXPECT_EQ(Titles().Reload(-1), 3);
    EXPECT_EQ(Column(1), (Texts{"c", "b", "z"}));

    TempDir::Write(context.folder.file("BoardData.xml"), "garbage");
    boxes.requests.clear();
    EXPECT_EQ(Titles().Reload(1), -1);
    EXPECT_EQ(Titles().RowCount(), 0);
    EXPECT_EQ(boxes.requests.size(), 1u);
}

TEST_F(BoardViewTest, TitlesShowTheirPriorityColoursMarkersAndAttachmentMark)
{
    for (const auto& [title, priority, attach] : {std::tuple{"urgent", 0, 1}, {"notice", 1, 0}, {"normal", 2, 0},
                                                  {"spare", 3, 7}, {"odd", 9, 0}})
        Add(title, "OTHERPC", attach, "20240105093015", priority);
    view->ApplyFontAndColors(Titles().font(), {{0x000000FF, 0x0000FFFF, 0x00FF0000, 0x00FFFFFF, 0x00000000, 0x00FFFFFF}});
    view->RefreshTitles(-1);
    // No colour means the list's own palette.
    const struct { int row; QColor text, background; const char* clip; const char* marker; } cases[] = {
        {4, Qt::red, Qt::yellow, ":/view/clip.png", ":/view/urgent.png"},
        {3, Qt::blue, Qt::white, nullptr, ":/view/notice.png"},
        {2, Qt::black, Qt::white, nullptr, nullptr},
        {1, QColor(), QColor(), nullptr, ":/view/spare.png"},
        {0, QColor(), QColor(), nullptr, nullptr},
    };
    const auto data = [&](int row, int column, int role) { return Titles().model()->index(row, column).data(role); };
    const auto color = [&](int row, int column, int role) {
        return data(row, column, role).isValid() ? data(row, column, role).value<QBrush>().color() : QColor();
    };
    for (const auto& c : cases) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(color(c.row, column, Qt::ForegroundRole), c.text) << c.row;
            EXPECT_EQ(color(c.row, column, Qt::BackgroundRole), c.background) << c.row;
        }
        const QPixmap picture = data(c.row, 0, Qt::DecorationRole).value<QPixmap>();
        ASSERT_EQ(picture.size(), QSize(32, 16));
        EXPECT_TRUE(SameImage(picture.copy(0, 0, 16, 16), c.clip)) << c.row;
        EXPECT_TRUE(SameImage(picture.copy(16, 0, 16, 16), c.marker)) << c.row;
    }
}

} // namespace

TEST_F(BoardViewTest, MessagesArrivingLaterAreBoldUntilShownSpaceFindsTheNextAndTheMarksOutliveTheWindow)
{
    context.readStatePath = context.folder.file("marks/OWNPC-board");
    const int32_t old = Add("old");
    view->RefreshTitles(-1);
    EXPECT_EQ(view->UnreadCount(), 0) << "what the board held at first counts as read";
    const int32_t first = Add("first");
    const int32_t mine = Add("mine", kOwn);
    const int32_t last = Add("last");
    QSignalSpy counts(view, &CBoardDlg::unreadChanged);
    view->RefreshTitlesFromNotice(last);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.last().at(0).toInt(), 2) << "the notice's selection was seen: the window is in front";
    const auto bold = [&](int32_t number) {
        return Titles().model()->index(Titles().FindRow(number), 1).data(TitleListModel::kUnreadRole).toBool();
    };
    EXPECT_TRUE(bold(first) && bold(mine) && !bold(last) && !bold(old));

    // Space: the next unread row below, then round from the top.
    SelectNumber(mine);
    EXPECT_EQ(view->UnreadCount(), 1);
    QTest::keyClick(&Titles(), Qt::Key_Space);
    EXPECT_EQ(view->SelectedNumber(), first);
    EXPECT_EQ(view->UnreadCount(), 0);
    EXPECT_EQ(Titles().SelectedRows().size(), 1u) << "Space does not toggle the row's selection";

    // Deleting forgets; a new window over the same marks finds them as they were left.
    const int32_t later = Add("later");
    SelectNumber(mine);
    boxes.answer = MessageBoxService::AnswerYes;
    view->DeleteSelected();
    EXPECT_EQ(view->UnreadCount(), 1);
    delete view;
    view = new CBoardDlg(context, &window);
    EXPECT_EQ(view->UnreadCount(), 1);
    EXPECT_TRUE(bold(later));
    EXPECT_LT(TempDir::Read(context.readStatePath).size(), 100u);

    // A new board in the old one's place numbers from 1 again: its messages are new.
    fs::remove(context.folder.file("BoardData.xml"));
    EmptyBoardWriter::Create(context.folder.file("BoardData.xml"), "UTF-8");
    view->RefreshTitles(-1);
    EXPECT_EQ(view->UnreadCount(), 0);
    const int32_t fresh = Add("fresh");
    view->RefreshTitles(-1);
    EXPECT_EQ(view->UnreadCount(), 1);
    EXPECT_TRUE(bold(fresh));
}

TEST_F(BoardViewTest, DamagedOrUnwritableMarksCountEveryMessageAsReadLogAWarningAndLoseNothing)
{
    LoggedWarnings warnings;
    Add("a");
    Add("b");
    context.readStatePath = context.folder.file("marks/OWNPC-board");
    TempDir::Put(context.readStatePath, "QuorlBoard read state 1\nhighest 2\nlow 0\nread x\n");
    view->RefreshTitles(-1);
    EXPECT_EQ(view->UnreadCount(), 0);
    EXPECT_EQ(TempDir::Read(context.readStatePath + ".damaged").substr(0, 10), "QuorlBoard");
    ASSERT_EQ(warnings.Lines().size(), 1u);

    // A file where the folder should be: the marks live on for the run.
    TempDir::Write(context.folder.file("blocked"), "");
    context.readStatePath = context.folder.file("blocked/OWNPC-board");
    view->RefreshTitles(-1);
    const int32_t c = Add("c");
    view->RefreshTitles(-1);
    EXPECT_EQ(view->UnreadCount(), 1);
    SelectNumber(c);
    EXPECT_EQ(view->UnreadCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return warnings.Lines().size() == 3; }, 3000)) << "cannot read, cannot save";
    EXPECT_EQ(Titles().RowCount(), 3);
}

TEST_F(BoardViewTest, FindFiltersTitlesPostersAndContentsAcrossWidthAndCaseAndEscShowsEveryRowAgain)
{
    fs::remove(context.folder.file("BoardData.xml"));
    EmptyBoardWriter::Create(context.folder.file("BoardData.xml"), "Shift_JIS");
    const int32_t gas = Add("ｶﾞｽ点検");
    const int32_t abc = Add("ＡＢＣ会議");
    const int32_t body = Add("連絡");
    view->RefreshTitles(abc);
    const QRect whole = Titles().geometry();
    auto* edit = Child<QLineEdit>(*view, QStringLiteral("findEdit"));
    QTest::keyClick(&Titles(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(edit->hasFocus());
    const QRect bar = Child<QWidget>(*view, QStringLiteral("findBar"))->geometry();
    EXPECT_EQ(whole.top(), bar.top()) << "hidden, the bar takes nothing from the list";
    EXPECT_TRUE(Titles().geometry().top() == bar.bottom() + 1 && Titles().geometry().bottom() == whole.bottom());

    const auto shown = [&] {
        std::vector<int32_t> numbers;
        for (int row = 0; row < Titles().RowCount(); ++row)
            numbers.push_back(Titles().RowNumber(row));
        return numbers;
    };
    using Numbers = std::vector<int32_t>;
    for (const auto& [typed, expected] : {std::pair{"ガス", Numbers{gas}}, {"abc", Numbers{abc}}, {"ａｂｃ会", Numbers{abc}},
                                          {"連絡の本文", Numbers{body}}, {"山田", Numbers{body, abc, gas}}, {"ない", Numbers{}}}) {
        edit->setText(QString::fromUtf8(typed));
        EXPECT_EQ(shown(), expected) << typed;
    }
    edit->setText(QStringLiteral("本文"));
    edit->setText(QStringLiteral("ｶﾞｽ"));
    EXPECT_EQ(shown(), Numbers{gas}) << "narrowed from a wider search";
    edit->setText(QStringLiteral("会議"));
    EXPECT_EQ(view->SelectedNumber(), abc) << "the selected row stays selected while shown";

    // A change announced meanwhile keeps the filter.
    const int32_t more = Add("第二回会議");
    Add("無関係");
    view->RefreshTitlesFromNotice(more);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->Throttle().Pending(); }, 3000));
    EXPECT_EQ(shown(), (Numbers{more, abc}));
    SelectNumber(abc);
    ClickHeader(1); // by title: the shown rows only, the selection with its row
    EXPECT_EQ(shown(), (Numbers{abc, more}));
    EXPECT_EQ(view->SelectedNumber(), abc);
    ClickHeader(1);
    EXPECT_EQ(Titles().SelectedRows(), std::vector<int>{1});

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(Titles().RowCount(), 5);
    EXPECT_EQ(Titles().geometry(), whole);
    EXPECT_EQ(view->SelectedNumber(), abc);
    EXPECT_TRUE(Titles().hasFocus());

    // The member's own post is shown and selected even where the find would hide it.
    QTest::keyClick(&Titles(), Qt::Key_F, Qt::ControlModifier);
    edit->setText(QStringLiteral("会議"));
    this->edit = [](CBoardWrite& editor) { Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText("new"), editor.OnOK(); };
    view->PostNew();
    EXPECT_TRUE(Child<QWidget>(*view, QStringLiteral("findBar"))->isHidden());
    EXPECT_EQ(Titles().RowCount(), 6);
    EXPECT_EQ(view->SelectedNumber(), more + 2);
}

TEST_F(BoardViewTest, ShortcutsDoWhatTheirButtonsDoAndNothingWhileTheButtonIsOff)
{
    const int32_t others = Add("others");
    const int32_t mine = Add("mine", kOwn);
    view->RefreshTitles(others);
    int editors = 0;
    edit = [&](CBoardWrite& editor) { ++editors, editor.reject(); };
    QTest::keyClick(&Titles(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(&Titles(), Qt::Key_Delete);
    EXPECT_TRUE(editors == 0 && boxes.requests.empty()) << "modify and delete are off for another desk's message";
    QTest::keyClick(&Titles(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(editors, 1);

    SelectNumber(mine);
    QTest::keyClick(&Titles(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(&Titles(), Qt::Key_Delete);
    EXPECT_EQ(editors, 2);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"このメッセージ削除します"});
    // In the find bar, Delete and Space edit the text.
    view->ShowFindBar();
    auto* find = Child<QLineEdit>(*view, QStringLiteral("findEdit"));
    QTest::keyClicks(find, "mi e");
    find->setCursorPosition(0);
    QTest::keyClick(find, Qt::Key_Delete);
    EXPECT_EQ(find->text(), QStringLiteral("i e"));
    EXPECT_EQ(boxes.requests.size(), 1u);
    view->HideFindBar();
    const int reloads = view->ReloadCount();
    QTest::keyClick(&Titles(), Qt::Key_F5);
    EXPECT_EQ(view->ReloadCount(), reloads + 1);
    EXPECT_EQ(view->SelectedNumber(), mine);
}
