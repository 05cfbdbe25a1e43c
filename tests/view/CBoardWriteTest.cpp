#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "support/BoardXml.h"
#include "support/Child.h"
#include "support/RecordedBoxes.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "ui/FileDialogService.h"
#include "view/CAttachFileList.h"
#include "view/CBoardWrite.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;
const std::string kHost = "PC01";
const std::string kUser = Cp932Codec::FromUtf8("山田");

Names FilesIn(const std::string& path)
{
    Names names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path, ec))
        names.push_back(entry.path().filename().string());
    return std::sort(names.begin(), names.end()), names;
}

struct Editor
{
    std::unique_ptr<CBoardWrite> window;
    QLineEdit* Title() const { return Child<QLineEdit>(window, QStringLiteral("titleField")); }
    QTextEdit* Text() const { return Child<QTextEdit>(window, QStringLiteral("messageField")); }
    CAttachFileList* List() const { return Child<CAttachFileList>(window, QStringLiteral("attachments")); }
    QRadioButton* Priority(int index) const { return Child<QRadioButton>(window, QStringLiteral("priority%1").arg(index)); }
    void DeleteRow(int row) const { List()->setCurrentRow(row), QTest::keyClick(List(), Qt::Key_Delete); }
    bool Write() const { return window->OnOK(), window->result() == QDialog::Accepted; }
};

class EditorTest : public ::testing::Test
{
protected:
    EditorTest()
    {
        EmptyBoardWriter::Create(boardPath, "UTF-8");
        board.SetFilePath(boardPath);
        FileDialogService::SetResponder([this](auto&) { return QString::fromStdString(std::exchange(chosen, {})); });
    }
    ~EditorTest() override { FileDialogService::SetResponder({}); }

    Editor Open(int mode = CBoardWrite::kModeNew, int32_t number = 0)
    {
        Editor editor{std::make_unique<CBoardWrite>(BoardWriteContext{&board, folder.path() + "/", kHost, kUser})};
        editor.window->mode = mode;
        editor.window->messageNumber = number;
        editor.window->show();
        return editor;
    }
    void Attach(const Editor& editor, const std::string& name, const std::string& bytes = "x")
    {
        TempDir::Write(chosen = sources.file(name), bytes);
        editor.window->OnAttachFile();
    }
    // A message of another computer, stored with a folder of attachments.
    BoardMessage Stored(const Names& files, const std::string& host = "PC99")
    {
        BoardMessage stored{0, "old", "someone", "text", 1, 0, "20021201090507", host};
        EXPECT_EQ(board.AddMessage(stored), 0);
        fs::create_directories(FolderOf(stored));
        for (const std::string& file : files)
            TempDir::Write(FolderOf(stored) + "/" + file, file);
        return stored;
    }
    std::vector<BoardMessage> Messages()
    {
        std::vector<BoardMessage> messages;
        return board.LoadMessages(messages), messages;
    }
    std::string FolderOf(const BoardMessage& m) const { return folder.path() + "/attach/" + m.hostname + "_" + m.date; }

    TempDir folder, sources;
    std::string boardPath = folder.file("BoardData.xml");
    RecordingReporter reporter;
    CBoardData board{&reporter};
    std::string chosen;
    RecordedBoxes boxes;
};

TEST_F(EditorTest, ANewMessageIsNormalByDefaultCarriesHostUserAndTimeAndEnterInTheTitleWritesIt)
{
    const Editor editor = Open();
    EXPECT_TRUE(editor.Priority(2)->isChecked());
    editor.Title()->setText(QStringLiteral("会議"));
    editor.Text()->setFocus();
    QTest::keyClicks(editor.Text(), "one");
    QTest::keyClick(editor.Text(), Qt::Key_Return); // starts a line
    QTest::keyClicks(editor.Text(), "two");
    QTest::keyClick(editor.Title(), Qt::Key_Return);
    ASSERT_EQ(editor.window->result(), QDialog::Accepted);
    const BoardMessage m = Messages().at(0);
    EXPECT_EQ(std::tie(m.priority, m.attach, m.hostname, m.name, m.contents), std::make_tuple(2, 0, kHost, kUser, "one\ntwo"));
    EXPECT_TRUE(Cp932Codec::ToUtf8(m.title) == "会議" && m.date.size() == 14u);
    EXPECT_FALSE(fs::exists(folder.path() + "/attach")) << "no attachments, no folder";
}

TEST_F(EditorTest, ModifyingListsTheFolderWhateverTheFlagAndKeepsAuthorDateAndHost)
{
    const BoardMessage stored = Stored({"x.doc", "y.doc"});
    fs::create_directories(FolderOf(stored) + "/kept-by-hand");
    const Editor editor = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_TRUE(editor.Title()->text() == "old" && editor.Priority(1)->isChecked());
    ASSERT_EQ(editor.List()->count(), 2) << "sub-folders are not attachments";
    editor.DeleteRow(0);
    editor.DeleteRow(0);
    editor.Title()->setText(QStringLiteral("new"));
    ASSERT_TRUE(editor.Write());
    const BoardMessage written = Messages().at(0);
    EXPECT_EQ(std::tie(written.title, written.attach), std::make_tuple("new", 0));
    EXPECT_EQ(std::tie(written.name, written.hostname, written.date), std::tie(stored.name, stored.hostname, stored.date));
    EXPECT_EQ(FilesIn(FolderOf(stored)), Names{"kept-by-hand"}) << "files deleted, folder stays";
}

TEST_F(EditorTest, AFailedWriteKeepsTheWindowOpenWithEverythingEnteredAndTouchesNoAttachment)
{
    fs::remove(boardPath);
    const Editor editor = Open();
    editor.Title()->setText(QStringLiteral("大事な話"));
    editor.Priority(1)->click();
    Attach(editor, "a.txt");
    EXPECT_FALSE(editor.Write());
    EXPECT_EQ(reporter.messages.size(), 1u) << "the store reported first";
    EXPECT_EQ(boxes.Texts(), Names{"メッセージ登録エラー"});
    EXPECT_TRUE(editor.Title()->text() == "大事な話" && editor.Priority(1)->isChecked() && editor.List()->count() == 1);
    EXPECT_FALSE(fs::exists(folder.path() + "/attach"));
    // the board is back: writing again succeeds
    EmptyBoardWriter::Create(boardPath, "UTF-8");
    ASSERT_TRUE(editor.Write());
    EXPECT_EQ(Messages().at(0).priority, 1);
    EXPECT_EQ(FilesIn(FolderOf(Messages().at(0))), Names{"a.txt"});

    const BoardMessage stored = Stored({"keep.txt"}, kHost);
    const Editor modify = Open(CBoardWrite::kModeModify, stored.number);
    modify.DeleteRow(0);
    ASSERT_EQ(board.DeleteMessage(stored.number), 0); // another program removes it meanwhile
    EXPECT_FALSE(modify.Write());
    EXPECT_EQ(boxes.Texts().back(), "メッセージ更新エラー");
    EXPECT_EQ(FilesIn(FolderOf(stored)), Names{"keep.txt"});
}

TEST_F(EditorTest, ACopyFailureAfterStoringIsShownAndWritingAgainUpdatesInsteadOfAddingTwice)
{
    const Editor editor = Open();
    Attach(editor, "report.txt", "v1");
    fs::remove(sources.file("report.txt")); // gone before the copy
    EXPECT_FALSE(editor.Write());
    EXPECT_TRUE(boxes.requests.size() == 1 && boxes.requests[0].icon == MessageBoxService::Icon::Stop);
    ASSERT_EQ(Messages().size(), 1u) << "the message is stored";
    TempDir::Write(sources.file("report.txt"), "v2");
    editor.Title()->setText(QStringLiteral("second"));
    ASSERT_TRUE(editor.Write());
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u) << "not added a second time";
    EXPECT_EQ(messages[0].title, "second");
    EXPECT_EQ(TempDir::Read(FolderOf(messages[0]) + "/report.txt"), "v2");
}

TEST_F(EditorTest, RefusesTextTheBoardCannotHoldAndWillNotOverwriteAMessageItCouldNotRead)
{
    const QString smile = QString::fromUtf8("smile \xF0\x9F\x98\x80");
    for (const bool inTitle : {true, false}) {
        const Editor editor = Open();
        editor.Title()->setText(inTitle ? smile : QStringLiteral("ok"));
        editor.Text()->setPlainText(inTitle ? QStringLiteral("ok") : smile);
        EXPECT_FALSE(editor.Write()) << inTitle;
        EXPECT_TRUE(Messages().empty()) << inTitle;
    }
    EXPECT_EQ(boxes.requests.size(), 2u);

    const BoardMessage stored = Stored({});
    const std::string good = TempDir::Read(boardPath);
    TempDir::Write(boardPath, "<root><message"); // unreadable for now
    const Editor modify = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(modify.Text()->toPlainText(), QStringLiteral("メッセージ取得エラー"));
    TempDir::Write(boardPath, good);
    EXPECT_FALSE(modify.Write());
    EXPECT_EQ(Messages()[0].title, "old");
}

// Two messages of this computer in one second (written before dates were kept
// apart) share a folder: modifying one of them leaves the folder alone.
TEST_F(EditorTest, AMessageSharingItsFolderWithAnotherCannotChangeItsAttachments)
{
    const std::string sharedDate = "20021201090507";
    TempDir::Write(boardPath, BoardXml({{kHost, sharedDate}, {kHost, sharedDate}}));
    const std::string shared = folder.path() + "/attach/" + kHost + "_" + sharedDate;
    TempDir::Put(shared + "/a.txt", "a");
    const Editor modify = Open(CBoardWrite::kModeModify, 1);
    EXPECT_EQ(modify.List()->count(), 0);
    for (QPushButton* button : modify.window->findChildren<QPushButton*>())
        EXPECT_TRUE(button->text() != QStringLiteral("添付ファイル") || !button->isEnabled());
    ASSERT_TRUE(modify.Write());
    EXPECT_EQ(FilesIn(shared), Names{"a.txt"});
    EXPECT_EQ(Messages().front().attach, 1);
}

} // namespace
