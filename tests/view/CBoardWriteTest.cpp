#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "support/FileDialogAnswer.h"
#include "support/BoardXml.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "ui/FileDialogService.h"
#include "ui/MessageBoxService.h"
#include "view/CAttachFileList.h"
#include "view/CBoardWrite.h"
#include "support/Child.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

const std::string kHost = "PC01";
const std::string kUser = Cp932Codec::FromUtf8("山田");

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_EQ(EmptyBoardWriter::Create(boardPath(), "UTF-8", error), EmptyBoardWriter::Result::Created);
        board.SetFilePath(boardPath());
        MessageBoxService::SetResponder([this](const MessageBoxService::Request& request) {
            boxes.push_back(request.text.toStdString());
            icons.push_back(request.icon);
            return MessageBoxService::AnswerOk;
        });
        FileDialogService::SetResponder([this](const FileDialogService::Request&) {
            if (chosen.empty())
                return QString();
            const QString next = QString::fromStdString(chosen.front());
            chosen.erase(chosen.begin());
            return next;
        });
    }
    void TearDown() override
    {
        MessageBoxService::SetResponder({});
        FileDialogService::SetResponder({});
    }

    std::string boardPath() const { return folder.file("BoardData.xml"); }
    std::string messageFolder() const { return folder.path() + "/"; }

    std::unique_ptr<CBoardWrite> Open(int mode, int32_t number = 0)
    {
        BoardWriteContext context{&board, messageFolder(), kHost, kUser};
        auto editor = std::make_unique<CBoardWrite>(context);
        editor->mode = mode;
        editor->messageNumber = number;
        editor->show();
        return editor;
    }
    std::string Source(const std::string& name, const std::string& bytes)
    {
        const std::string path = sources.file(name);
        TempDir::Write(path, bytes);
        return path;
    }
    void Attach(CBoardWrite& editor, const std::string& path)
    {
        chosen.push_back(path);
        editor.OnAttachFile();
    }
    void PressDeleteOn(CBoardWrite& editor, int row)
    {
        Child<CAttachFileList>(editor, QStringLiteral("attachments"))->setCurrentRow(row);
        QTest::keyClick(Child<CAttachFileList>(editor, QStringLiteral("attachments")), Qt::Key_Delete);
    }
    static void Type(QWidget* field, const QString& text)
    {
        field->setFocus();
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(field, &event);
    }
    std::vector<BoardMessage> Messages()
    {
        std::vector<BoardMessage> messages;
        board.LoadMessages(messages);
        return messages;
    }
    std::string AttachFolderOf(const BoardMessage& message) const
    {
        return folder.path() + "/attach/" + message.hostname + "_" + message.date;
    }
    static std::vector<std::string> FilesIn(const std::string& path)
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(path, ec))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir folder;
    TempDir sources;
    RecordingReporter reporter;
    CBoardData board{&reporter};
    std::vector<std::string> chosen;
    std::vector<std::string> boxes;
    std::vector<MessageBoxService::Icon> icons;
};

TEST_F(EditorTest, AttachDialogStartsAtHomeThenWhereTheLastFileCameFrom)
{
    FileDialogService::SetResponder({});
    auto editor = Open(CBoardWrite::kModeNew);
    QStringList starts;
    AnswerFileDialog(starts, QString::fromStdString(Source("picked.txt", "x")));
    editor->OnAttachFile();
    AnswerFileDialog(starts);
    editor->OnAttachFile();
    EXPECT_EQ(starts, QStringList({QDir::homePath(), QString::fromStdString(sources.path())}));
    EXPECT_EQ(Child<CAttachFileList>(editor, QStringLiteral("attachments"))->count(), 1);
}

TEST_F(EditorTest, ANewMessageIsNormalByDefaultKeepsEmptyFieldsAndCarriesHostUserAndTime)
{
    auto editor = Open(CBoardWrite::kModeNew);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("掲示板"));
    EXPECT_TRUE(Child<QRadioButton>(editor, QStringLiteral("priority2"))->isChecked());
    EXPECT_TRUE(Child<QProgressBar>(editor, QStringLiteral("progress"))->isHidden());
    EXPECT_EQ(editor->minimumSize(), editor->maximumSize()) << "fixed size";
    editor->OnOK();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_EQ(editor->record.number, 1);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(messages[0].contents, "");
    EXPECT_EQ(messages[0].priority, 2);
    EXPECT_EQ(messages[0].attach, 0);
    EXPECT_EQ(messages[0].hostname, kHost);
    EXPECT_EQ(messages[0].name, kUser);
    ASSERT_EQ(messages[0].date.size(), 14u);
    EXPECT_FALSE(fs::exists(folder.path() + "/attach")) << "no attachments, no folder";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EditorTest, EnterInTheTitleWritesWhileEnterInTheMessageStartsALine)
{
    auto editor = Open(CBoardWrite::kModeNew);
    Type(Child<QLineEdit>(editor, QStringLiteral("titleField")), QStringLiteral("会議"));
    Type(Child<QTextEdit>(editor, QStringLiteral("messageField")), QStringLiteral("一行目"));
    QTest::keyClick(Child<QTextEdit>(editor, QStringLiteral("messageField")), Qt::Key_Return);
    Type(Child<QTextEdit>(editor, QStringLiteral("messageField")), QStringLiteral("二行目"));
    Child<QRadioButton>(editor, QStringLiteral("priority0"))->click();
    EXPECT_EQ(editor->result(), 0) << "still open";
    QTest::keyClick(Child<QLineEdit>(editor, QStringLiteral("titleField")), Qt::Key_Return);
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Cp932Codec::ToUtf8(messages[0].title), "会議");
    EXPECT_EQ(Cp932Codec::ToUtf8(messages[0].contents), "一行目\n二行目");
    EXPECT_EQ(messages[0].priority, 0);
}

TEST_F(EditorTest, OnlyKeptAttachmentsAreCopiedIntoTheFolderNamedByHostAndDate)
{
    auto editor = Open(CBoardWrite::kModeNew);
    Attach(*editor, Source("a.txt", "first"));
    Attach(*editor, Source("b.pdf", std::string(1500, 'b')));
    PressDeleteOn(*editor, 0);
    EXPECT_EQ(Child<CAttachFileList>(editor, QStringLiteral("attachments"))->count(), 1);
    editor->OnOK();
    ASSERT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_FALSE(Child<QProgressBar>(editor, QStringLiteral("progress"))->isHidden());
    auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].attach, 1);
    EXPECT_EQ(FilesIn(AttachFolderOf(messages[0])), std::vector<std::string>{"b.pdf"});
    EXPECT_EQ(TempDir::Read(AttachFolderOf(messages[0]) + "/b.pdf"), std::string(1500, 'b'));

    // Added and removed again before writing: nothing to keep, no folder.
    auto second = Open(CBoardWrite::kModeNew);
    Attach(*second, Source("c.txt", "c"));
    PressDeleteOn(*second, 0);
    QTest::keyClick(Child<CAttachFileList>(second, QStringLiteral("attachments")), Qt::Key_Delete); // nothing left to remove
    second->OnOK();
    messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].attach, 0);
    if (messages[1].date != messages[0].date) {
        EXPECT_FALSE(fs::exists(AttachFolderOf(messages[1])));
    }
}

TEST_F(EditorTest, ModifyingListsTheFolderWhateverTheFlagAndKeepsAuthorDateAndHost)
{
    BoardMessage stored;
    stored.title = "old";
    stored.contents = "text";
    stored.priority = 1;
    stored.attach = 0;
    stored.date = "20021201090507";
    stored.hostname = "PC99";
    stored.name = "someone";
    ASSERT_EQ(board.AddMessage(stored), 0);
    const std::string attachments = folder.path() + "/attach/PC99_20021201090507";
    fs::create_directories(attachments + "/kept-by-hand");
    TempDir::Write(attachments + "/x.doc", "x");
    TempDir::Write(attachments + "/y.doc", "y");

    auto editor = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(Child<QLineEdit>(editor, QStringLiteral("titleField"))->text(), QStringLiteral("old"));
    EXPECT_TRUE(Child<QRadioButton>(editor, QStringLiteral("priority1"))->isChecked());
    ASSERT_EQ(Child<CAttachFileList>(editor, QStringLiteral("attachments"))->count(), 2) << "sub-folders are not attachments";
    PressDeleteOn(*editor, 0);
    PressDeleteOn(*editor, 0);
    Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("new"));
    editor->OnOK();
    ASSERT_EQ(editor->result(), QDialog::Accepted);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "new");
    EXPECT_EQ(messages[0].attach, 0);
    EXPECT_EQ(messages[0].name, "someone");
    EXPECT_EQ(messages[0].hostname, "PC99");
    EXPECT_EQ(messages[0].date, "20021201090507");
    EXPECT_EQ(FilesIn(attachments), std::vector<std::string>{"kept-by-hand"}) << "files deleted, folder stays";

    // Adding to a message whose folder vanished recreates it under its name.
    fs::remove_all(attachments);
    auto again = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(Child<CAttachFileList>(again, QStringLiteral("attachments"))->count(), 0);
    Attach(*again, Source("z.txt", "z"));
    again->OnOK();
    EXPECT_EQ(FilesIn(attachments), std::vector<std::string>{"z.txt"});
    EXPECT_EQ(Messages()[0].attach, 1);
}

TEST_F(EditorTest, AFailedAddKeepsEverythingTheMemberEnteredAndCopiesNothing)
{
    fs::remove(boardPath());
    auto editor = Open(CBoardWrite::kModeNew);
    Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("大事な話"));
    Child<QTextEdit>(editor, QStringLiteral("messageField"))->setPlainText(QStringLiteral("長い本文"));
    Child<QRadioButton>(editor, QStringLiteral("priority1"))->click();
    Attach(*editor, Source("a.txt", "a"));
    QTest::keyClick(Child<QLineEdit>(editor, QStringLiteral("titleField")), Qt::Key_Return);
    EXPECT_NE(editor->result(), QDialog::Accepted) << "the window stays open";
    EXPECT_EQ(reporter.messages.size(), 1u) << "the store reported first";
    EXPECT_EQ(boxes, std::vector<std::string>{"メッセージ登録エラー"});
    EXPECT_EQ(Child<QLineEdit>(editor, QStringLiteral("titleField"))->text(), QStringLiteral("大事な話"));
    EXPECT_EQ(Child<QTextEdit>(editor, QStringLiteral("messageField"))->toPlainText(), QStringLiteral("長い本文"));
    EXPECT_TRUE(Child<QRadioButton>(editor, QStringLiteral("priority1"))->isChecked());
    EXPECT_EQ(Child<CAttachFileList>(editor, QStringLiteral("attachments"))->count(), 1);
    EXPECT_EQ(editor->record.number, 0);
    EXPECT_FALSE(fs::exists(folder.path() + "/attach"));

    // Once the board is back, writing again succeeds.
    std::string error;
    EmptyBoardWriter::Create(boardPath(), "UTF-8", error);
    editor->OnOK();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(FilesIn(AttachFolderOf(Messages()[0])), std::vector<std::string>{"a.txt"});
}

TEST_F(EditorTest, AFailedUpdateKeepsTheWindowOpenAndLeavesTheAttachmentsAlone)
{
    BoardMessage stored;
    stored.title = "t";
    stored.date = "20240101120000";
    stored.hostname = kHost;
    ASSERT_EQ(board.AddMessage(stored), 0);
    const std::string attachments = folder.path() + "/attach/" + kHost + "_20240101120000";
    fs::create_directories(attachments);
    TempDir::Write(attachments + "/keep.txt", "k");

    auto editor = Open(CBoardWrite::kModeModify, stored.number);
    PressDeleteOn(*editor, 0);
    ASSERT_EQ(board.DeleteMessage(stored.number), 0); // another program removes it meanwhile
    editor->OnOK();
    EXPECT_NE(editor->result(), QDialog::Accepted);
    EXPECT_EQ(boxes, std::vector<std::string>{"メッセージ更新エラー"});
    EXPECT_EQ(FilesIn(attachments), std::vector<std::string>{"keep.txt"});
}

TEST_F(EditorTest, ACopyFailureAfterStoringIsShownAndWritingAgainUpdatesInsteadOfAddingTwice)
{
    auto editor = Open(CBoardWrite::kModeNew);
    const std::string source = Source("report.txt", "v1");
    Attach(*editor, source);
    fs::remove(source); // gone before the copy
    Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("first"));
    editor->OnOK();
    EXPECT_NE(editor->result(), QDialog::Accepted);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0], MessageBoxService::Icon::Stop);
    ASSERT_EQ(Messages().size(), 1u) << "the message is stored";
    EXPECT_FALSE(Child<QProgressBar>(editor, QStringLiteral("progress"))->isHidden());

    TempDir::Write(source, "v2");
    Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("second"));
    editor->OnOK();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u) << "not added a second time";
    EXPECT_EQ(messages[0].title, "second");
    EXPECT_EQ(editor->record.number, messages[0].number);
    EXPECT_EQ(TempDir::Read(AttachFolderOf(messages[0]) + "/report.txt"), "v2");
}

TEST_F(EditorTest, RefusesTextTheBoardCannotHoldAndWillNotOverwriteAMessageItCouldNotRead)
{
    auto editor = Open(CBoardWrite::kModeNew);
    Child<QLineEdit>(editor, QStringLiteral("titleField"))->setText(QStringLiteral("ok"));
    Child<QTextEdit>(editor, QStringLiteral("messageField"))->setPlainText(QString::fromUtf8("smile \xF0\x9F\x98\x80"));
    editor->OnOK();
    EXPECT_NE(editor->result(), QDialog::Accepted);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Child<QTextEdit>(editor, QStringLiteral("messageField"))->toPlainText(), QString::fromUtf8("smile \xF0\x9F\x98\x80"));

    BoardMessage stored;
    stored.title = "keep me";
    ASSERT_EQ(board.AddMessage(stored), 0);
    const std::string good = TempDir::Read(boardPath());
    TempDir::Write(boardPath(), "<root><message"); // unreadable for now
    auto modify = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(Child<QTextEdit>(modify, QStringLiteral("messageField"))->toPlainText(), QStringLiteral("メッセージ取得エラー"));
    EXPECT_TRUE(Child<QRadioButton>(modify, QStringLiteral("priority0"))->isChecked());
    TempDir::Write(boardPath(), good);
    modify->OnOK();
    EXPECT_NE(modify->result(), QDialog::Accepted);
    EXPECT_EQ(Messages()[0].title, "keep me");
}

// Messages of this computer in every second around now, the first two in one
// second (written before dates were kept apart), so sharing a folder.
TEST_F(EditorTest, ANewMessageInATakenSecondGetsAFolderOfItsOwnAndASharedFolderIsLeftAlone)
{
    const std::string sharedDate = "20021201090507";
    std::vector<std::pair<std::string, std::string>> stored = {{kHost, sharedDate}, {kHost, sharedDate}};
    for (const std::string& date : DatesAroundNow(-2, 60))
        stored.emplace_back(kHost, date);
    TempDir::Write(boardPath(), BoardXml(stored));
    const std::string shared = folder.path() + "/attach/" + kHost + "_" + sharedDate;
    fs::create_directories(shared);
    TempDir::Write(shared + "/a.txt", "a");

    auto editor = Open(CBoardWrite::kModeNew);
    Attach(*editor, Source("b.txt", "b"));
    editor->OnOK();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), stored.size() + 1);
    EXPECT_EQ(messages.back().date, editor->record.date);
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [&](const BoardMessage& m) { return m.date == messages.back().date; }),
              1);
    EXPECT_EQ(FilesIn(AttachFolderOf(messages.back())), std::vector<std::string>{"b.txt"});

    auto modify = Open(CBoardWrite::kModeModify, 1);
    EXPECT_EQ(Child<CAttachFileList>(modify, QStringLiteral("attachments"))->count(), 0);
    for (QPushButton* button : modify->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("添付ファイル")) {
            EXPECT_FALSE(button->isEnabled());
        }
    }
    modify->OnOK();
    EXPECT_EQ(modify->result(), QDialog::Accepted);
    EXPECT_EQ(FilesIn(shared), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Messages().front().attach, 1);
}

} // namespace
