#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "support/FileDialogAnswer.h"
#include "support/BoardXml.h"
#include "support/RecordedBoxes.h"
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
    static CAttachFileList* List(CBoardWrite& editor) { return Child<CAttachFileList>(editor, QStringLiteral("attachments")); }
    static QLineEdit* Title(CBoardWrite& editor) { return Child<QLineEdit>(editor, QStringLiteral("titleField")); }
    static QTextEdit* Text(CBoardWrite& editor) { return Child<QTextEdit>(editor, QStringLiteral("messageField")); }
    static QRadioButton* Priority(CBoardWrite& editor, int index)
    {
        return Child<QRadioButton>(editor, QStringLiteral("priority%1").arg(index));
    }
    static void PressDeleteOn(CBoardWrite& editor, int row)
    {
        List(editor)->setCurrentRow(row);
        QTest::keyClick(List(editor), Qt::Key_Delete);
    }
    // A message of another computer, stored with a folder of attachments.
    BoardMessage Stored(const std::vector<std::string>& files, const std::string& host = "PC99")
    {
        BoardMessage stored{0, "old", "someone", "text", 1, 0, "20021201090507", host};
        EXPECT_EQ(board.AddMessage(stored), 0);
        fs::create_directories(AttachFolderOf(stored));
        for (const std::string& file : files)
            TempDir::Write(AttachFolderOf(stored) + "/" + file, file);
        return stored;
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
    RecordedBoxes boxes;
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
    EXPECT_EQ(List(*editor)->count(), 1);
}

TEST_F(EditorTest, ANewMessageIsNormalByDefaultAndCarriesHostUserAndTimeAndEnterInTheTitleWritesIt)
{
    auto editor = Open(CBoardWrite::kModeNew);
    EXPECT_TRUE(Priority(*editor, 2)->isChecked());
    editor->OnOK();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].priority, 2);
    EXPECT_EQ(messages[0].attach, 0);
    EXPECT_EQ(messages[0].hostname, kHost);
    EXPECT_EQ(messages[0].name, kUser);
    EXPECT_EQ(messages[0].date.size(), 14u);
    EXPECT_FALSE(fs::exists(folder.path() + "/attach")) << "no attachments, no folder";

    // Enter in the message starts a line.
    auto typed = Open(CBoardWrite::kModeNew);
    Type(Title(*typed), QStringLiteral("会議"));
    Type(Text(*typed), QStringLiteral("一行目"));
    QTest::keyClick(Text(*typed), Qt::Key_Return);
    Type(Text(*typed), QStringLiteral("二行目"));
    Priority(*typed, 0)->click();
    EXPECT_EQ(typed->result(), 0) << "still open";
    QTest::keyClick(Title(*typed), Qt::Key_Return);
    EXPECT_EQ(typed->result(), QDialog::Accepted);
    messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(Cp932Codec::ToUtf8(messages[1].title), "会議");
    EXPECT_EQ(Cp932Codec::ToUtf8(messages[1].contents), "一行目\n二行目");
    EXPECT_EQ(messages[1].priority, 0);
}

TEST_F(EditorTest, OnlyKeptAttachmentsAreCopiedIntoTheFolderNamedByHostAndDate)
{
    auto editor = Open(CBoardWrite::kModeNew);
    Attach(*editor, Source("a.txt", "first"));
    Attach(*editor, Source("b.pdf", std::string(1500, 'b')));
    PressDeleteOn(*editor, 0);
    editor->OnOK();
    ASSERT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_FALSE(Child<QProgressBar>(editor, QStringLiteral("progress"))->isHidden());
    auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].attach, 1);
    EXPECT_EQ(FilesIn(AttachFolderOf(messages[0])), std::vector<std::string>{"b.pdf"});
    EXPECT_EQ(TempDir::Read(AttachFolderOf(messages[0]) + "/b.pdf"), std::string(1500, 'b'));

    // Added and removed again before writing: nothing to keep.
    auto second = Open(CBoardWrite::kModeNew);
    Attach(*second, Source("c.txt", "c"));
    PressDeleteOn(*second, 0);
    QTest::keyClick(List(*second), Qt::Key_Delete); // nothing left to remove
    second->OnOK();
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].attach, 0);
}

TEST_F(EditorTest, ModifyingListsTheFolderWhateverTheFlagAndKeepsAuthorDateAndHost)
{
    const BoardMessage stored = Stored({"x.doc", "y.doc"});
    const std::string attachments = AttachFolderOf(stored);
    fs::create_directories(attachments + "/kept-by-hand");
    auto editor = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(Title(*editor)->text(), QStringLiteral("old"));
    EXPECT_TRUE(Priority(*editor, 1)->isChecked());
    ASSERT_EQ(List(*editor)->count(), 2) << "sub-folders are not attachments";
    PressDeleteOn(*editor, 0);
    PressDeleteOn(*editor, 0);
    Title(*editor)->setText(QStringLiteral("new"));
    editor->OnOK();
    ASSERT_EQ(editor->result(), QDialog::Accepted);
    const BoardMessage written = Messages().at(0);
    EXPECT_EQ(written.title, "new");
    EXPECT_EQ(written.attach, 0);
    EXPECT_EQ(std::tie(written.name, written.hostname, written.date), std::tie(stored.name, stored.hostname, stored.date));
    EXPECT_EQ(FilesIn(attachments), std::vector<std::string>{"kept-by-hand"}) << "files deleted, folder stays";

    // Adding to a message whose folder vanished recreates it under its name.
    fs::remove_all(attachments);
    auto again = Open(CBoardWrite::kModeModify, stored.number);
    Attach(*again, Source("z.txt", "z"));
    again->OnOK();
    EXPECT_EQ(FilesIn(attachments), std::vector<std::string>{"z.txt"});
    EXPECT_EQ(Messages()[0].attach, 1);
}

TEST_F(EditorTest, AFailedAddKeepsEverythingTheMemberEnteredAndCopiesNothing)
{
    fs::remove(boardPath());
    auto editor = Open(CBoardWrite::kModeNew);
    Title(*editor)->setText(QStringLiteral("大事な話"));
    Text(*editor)->setPlainText(QStringLiteral("長い本文"));
    Priority(*editor, 1)->click();
    Attach(*editor, Source("a.txt", "a"));
    QTest::keyClick(Title(*editor), Qt::Key_Return);
    EXPECT_NE(editor->result(), QDialog::Accepted) << "the window stays open";
    EXPECT_EQ(reporter.messages.size(), 1u) << "the store reported first";
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"メッセージ登録エラー"});
    EXPECT_EQ(Title(*editor)->text(), QStringLiteral("大事な話"));
    EXPECT_EQ(Text(*editor)->toPlainText(), QStringLiteral("長い本文"));
    EXPECT_TRUE(Priority(*editor, 1)->isChecked());
    EXPECT_EQ(List(*editor)->count(), 1);
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
    const BoardMessage stored = Stored({"keep.txt"}, kHost);
    auto editor = Open(CBoardWrite::kModeModify, stored.number);
    PressDeleteOn(*editor, 0);
    ASSERT_EQ(board.DeleteMessage(stored.number), 0); // another program removes it meanwhile
    editor->OnOK();
    EXPECT_NE(editor->result(), QDialog::Accepted);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"メッセージ更新エラー"});
    EXPECT_EQ(FilesIn(AttachFolderOf(stored)), std::vector<std::string>{"keep.txt"});
}

TEST_F(EditorTest, ACopyFailureAfterStoringIsShownAndWritingAgainUpdatesInsteadOfAddingTwice)
{
    auto editor = Open(CBoardWrite::kModeNew);
    const std::string source = Source("report.txt", "v1");
    Attach(*editor, source);
    fs::remove(source); // gone before the copy
    Title(*editor)->setText(QStringLiteral("first"));
    editor->OnOK();
    EXPECT_NE(editor->result(), QDialog::Accepted);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].icon, MessageBoxService::Icon::Stop);
    ASSERT_EQ(Messages().size(), 1u) << "the message is stored";

    TempDir::Write(source, "v2");
    Title(*editor)->setText(QStringLiteral("second"));
    editor->OnOK();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u) << "not added a second time";
    EXPECT_EQ(messages[0].title, "second");
    EXPECT_EQ(TempDir::Read(AttachFolderOf(messages[0]) + "/report.txt"), "v2");
}

TEST_F(EditorTest, RefusesTextTheBoardCannotHoldAndWillNotOverwriteAMessageItCouldNotRead)
{
    const QString smile = QString::fromUtf8("smile \xF0\x9F\x98\x80");
    for (const bool inTitle : {true, false}) {
        auto editor = Open(CBoardWrite::kModeNew);
        Title(*editor)->setText(inTitle ? smile : QStringLiteral("ok"));
        Text(*editor)->setPlainText(inTitle ? QStringLiteral("ok") : smile);
        editor->OnOK();
        EXPECT_NE(editor->result(), QDialog::Accepted) << inTitle;
        EXPECT_TRUE(Messages().empty()) << inTitle;
        EXPECT_EQ((inTitle ? Title(*editor)->text() : Text(*editor)->toPlainText()), smile);
    }
    EXPECT_EQ(boxes.requests.size(), 2u);

    const BoardMessage stored = Stored({});
    const std::string good = TempDir::Read(boardPath());
    TempDir::Write(boardPath(), "<root><message"); // unreadable for now
    auto modify = Open(CBoardWrite::kModeModify, stored.number);
    EXPECT_EQ(Text(*modify)->toPlainText(), QStringLiteral("メッセージ取得エラー"));
    TempDir::Write(boardPath(), good);
    modify->OnOK();
    EXPECT_NE(modify->result(), QDialog::Accepted);
    EXPECT_EQ(Messages()[0].title, "old");
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
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [&](const BoardMessage& m) { return m.date == messages.back().date; }),
              1);
    EXPECT_EQ(FilesIn(AttachFolderOf(messages.back())), std::vector<std::string>{"b.txt"});

    auto modify = Open(CBoardWrite::kModeModify, 1);
    EXPECT_EQ(List(*modify)->count(), 0);
    for (QPushButton* button : modify->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("添付ファイル"))
            EXPECT_FALSE(button->isEnabled());
    }
    modify->OnOK();
    EXPECT_EQ(modify->result(), QDialog::Accepted);
    EXPECT_EQ(FilesIn(shared), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Messages().front().attach, 1);
}

} // namespace
