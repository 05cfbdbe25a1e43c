#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "settings/ui/CSettingDlg.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/ui/SettingDlgTexts.h"
#include "settings/SettingsStore.h"
#include "support/FileDialogAnswer.h"
#include "support/RecordedBoxes.h"
#include "support/TempDir.h"
#include "ui/FileDialogService.h"
#include "ui/MessageBoxService.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using namespace SettingDlgTexts;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Lists these sub-keys in this order; an empty name stands for one too long
// for the caller's buffer. After the last comes `end`.
class ListingBackend : public MemorySettingsBackend
{
public:
    std::vector<std::string> names;
    int end = kErrorNoMoreItems;
    int calls = 0;

    int EnumKey(Handle, uint32_t index, char* name, uint32_t* nameSize) override
    {
        if (++calls > 100 || index >= names.size())
            return calls > 100 ? kErrorNoMoreItems : end;
        if (names[index].empty())
            return kErrorMoreData;
        std::memcpy(name, names[index].c_str(), names[index].size() + 1);
        *nameSize = static_cast<uint32_t>(names[index].size());
        return kSuccess;
    }
};

class CSettingDlgTest : public ::testing::Test
{
protected:
    CSettingDlgTest()
    {
        TempDir::Write(board.file(CBoardData::kFileName), "<?xml version=\"1.0\"?>\n<root/>\n");
    }
    ~CSettingDlgTest() override { FileDialogService::SetResponder({}); }

    // A shown window preset as the caller does, over a board that exists.
    void Open(SettingsStore& over, const char* group = "グループ１")
    {
        dialog = std::make_unique<CSettingDlg>(over);
        dialog->messageFolder = folder;
        dialog->userName = Text("山田");
        dialog->groupName = Text(group);
        dialog->portNumber = 2345;
        dialog->show();
        boxes.requests.clear();
    }
    void Open() { Open(store); }
    QWidget* Control(const char* name) { return dialog->findChild<QWidget*>(QString::fromLatin1(name)); }
    QLineEdit* Field(const char* name) { return qobject_cast<QLineEdit*>(Control(name)); }
    void Type(const char* field, const QString& text)
    {
        if (auto* combo = qobject_cast<QComboBox*>(Control(field)))
            combo->setEditText(text);
        else
            Field(field)->setText(text);
    }
    bool PressOk()
    {
        qobject_cast<QPushButton*>(Control("ok"))->click();
        return dialog->result() == QDialog::Accepted && !dialog->isVisible();
    }

    TempDir board;
    const QString folder = QString::fromStdString(board.path() + "/");
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    std::unique_ptr<CSettingDlg> dialog;
    RecordedBoxes boxes;
};

TEST_F(CSettingDlgTest, TheFolderBrowserStartsAtTheFieldsFolderOrHomeAndItsChoiceEndsInASeparator)
{
    QStringList starts;
    const auto select = [&] { qobject_cast<QPushButton*>(Control("select"))->click(); };
    for (const QString& typed : {folder, QStringLiteral("/no/such/folder/")}) {
        Open();
        Type("messageFolder", typed);
        AnswerFileDialog(starts);
        select();
        EXPECT_EQ(Field("messageFolder")->text(), typed) << "cancelled";
    }
    EXPECT_EQ(starts, QStringList({QString::fromStdString(board.path()), QDir::homePath()}));
    FileDialogService::SetResponder([&](const FileDialogService::Request&) { return QString::fromStdString(board.path()); });
    select();
    EXPECT_EQ(Field("messageFolder")->text(), folder);
}

TEST_F(CSettingDlgTest, ValuesThatDoNotFitTheRecordAreRefusedOnTheirFieldAndOthersStoredAsTheyWillBeRead)
{
    ::setenv("HOME", board.path().c_str(), 1); // "~" is stored as the folder itself
    const auto folderOf = [&](int bytes) { return folder + QString(bytes - 1 - folder.size(), u'd'); };
    const struct { const char* field; QString typed; const char* refusal; QString stored; } cases[] = {
        {"portNumber", "2000abc", nullptr, "2000"}, {"portNumber", "  +1600 9", nullptr, "1600"},
        {"portNumber", "99999999999999999999", kPortOutOfRange}, {"portNumber", "-", kPortNotNumber},
        {"userName", Text("山田:総務"), kUserNameColon}, {"groupName", "title\\size", kGroupNameReserved},
        {"messageFolder", folderOf(259), nullptr, folderOf(259) + "/"}, {"messageFolder", folderOf(260), kFolderTooLong},
        {"messageFolder", folder + Text("é"), kFolderUnusable}, {"messageFolder", "~", nullptr, folder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed.toStdString());
        Open();
        Type(c.field, c.typed);
        Control("ok")->setFocus();
        EXPECT_EQ(PressOk(), c.refusal == nullptr);
        if (c.refusal == nullptr) {
            const QString stored = QString(c.field) == "portNumber" ? QString::number(dialog->portNumber)
                                   : QString(c.field) == "messageFolder" ? dialog->messageFolder : c.stored;
            EXPECT_EQ(stored, c.stored);
            continue;
        }
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_EQ(boxes.requests[0].text, Text(c.refusal));
        EXPECT_EQ(boxes.requests[0].icon, MessageBoxService::Icon::Exclamation);
        EXPECT_TRUE(!Control(c.field)->isVisible() || dialog->focusWidget() == Control(c.field));
    }
}

TEST_F(CSettingDlgTest, GroupListHoldsEverySubKeyAndKeepsTheGroup)
{
    ListingBackend listing;
    listing.names = {"Color", Cp932Codec::FromUtf8("営業部２"), "", Cp932Codec::FromUtf8("営業部"), "Font"};
    listing.end = SettingsBackend::kErrorAccessDenied; // must end the listing as 259 does
    SettingsStore listed(listing);
    for (const auto& [preset, shown] : std::vector<std::pair<const char*, const char*>>{
             {"営業部", "営業部"}, {"営業", "営業部２"}, {"新グループ", "新グループ"}}) {
        listing.calls = 0;
        Open(listed, preset);
        auto* combo = qobject_cast<QComboBox*>(Control("groupName"));
        ASSERT_EQ(combo->count(), 4);
        EXPECT_EQ(combo->itemText(1), Text("営業部２"));
        EXPECT_EQ(listing.calls, 6);
        ASSERT_TRUE(PressOk()) << preset;
        EXPECT_EQ(dialog->groupName, Text(shown)) << preset;
    }
}

TEST_F(CSettingDlgTest, AMissingBoardIsCreatedOnlyWhenTheUserAgrees)
{
    // A folder that is not there may be a share that is not connected: Enter must not make a board on the local disk.
    std::filesystem::create_directory(board.path() + "/empty");
    for (const auto& [name, question, answer] : {std::tuple{"/elsewhere", kCreateFolderAndBoard, MessageBoxService::AnswerNo},
                                                 {"/empty", kCreateBoard, MessageBoxService::AnswerYes}}) {
        const std::string typed = board.path() + name;
        Open();
        Type("messageFolder", QString::fromStdString(typed));
        ASSERT_TRUE(PressOk());
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_EQ(boxes.requests[0].text, Text(question).arg(CBoardData::kFileName, QString::fromStdString(typed + "/")));
        EXPECT_EQ(boxes.requests[0].defaultAnswer, answer);
    }
    EXPECT_FALSE(std::filesystem::exists(board.path() + "/elsewhere"));

    boxes.answer = MessageBoxService::AnswerYes;
    const std::string agreed = board.path() + "/new/shared/" + CBoardData::kFileName;
    Type("messageFolder", QString::fromStdString(board.path() + "/new/shared"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(TempDir::Read(agreed), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n");
}

} // namespace
