#include "settings/ui/CSettingDlg.h"

#include "core/RecordField.h"

#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "core/FilePath.h"
#include "settings/GroupSettingsValidator.h"
#include "settings/ui/SettingDlgTexts.h"
#include "settings/SettingsStore.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBoxService.h"
#include "ui/FileDialogService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>

namespace {

constexpr const char* kCaption = "設定";
constexpr const char* kBrowseTitle = "メッセージファイルフォルダ選択";
constexpr const char* kBoardEncoding = "UTF-8";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

std::string ToCp932(const QString& text) { return Cp932Codec::FromUtf8(text.toStdString()); }

template <size_t N>
QString FromField(const char (&field)[N])
{
    return QString::fromStdString(Cp932Codec::ToUtf8(RecordField::Text(field)));
}

template <size_t N>
void ToField(char (&field)[N], const QString& text)
{
    RecordField::Set(field, ToCp932(text));
}

// A whole number at the start of the text, as sscanf's %d reads it: white
// space skipped, an optional sign, at least one digit, the rest ignored.
// Saturates rather than overflowing; any such value is out of range anyway.
std::optional<long long> LeadingWholeNumber(const QString& text)
{
    constexpr long long kLimit = 1LL << 40;
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    const qsizetype firstDigit = at;
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min(kLimit, value * 10 + (text[at].unicode() - u'0'));
    if (at == firstDigit)
        return std::nullopt;
    return negative ? -value : value;
}

const char* RefusalText(const GroupSettingsValidator::Refusal& refusal)
{
    using namespace SettingDlgTexts;
    using Field = GroupSettingsValidator::Field;
    using Problem = GroupSettingsValidator::Problem;
    static constexpr struct
    {
        Field field;
        Problem problem;
        const char* text;
    } kTexts[] = {
        {Field::UserName, Problem::TooLong, kUserNameTooLong},
        {Field::UserName, Problem::Unusable, kUserNameUnusable},
        {Field::UserName, Problem::Colon, kUserNameColon},
        {Field::Port, Problem::NotNumber, kPortNotNumber},
        {Field::Port, Problem::OutOfRange, kPortOutOfRange},
        {Field::GroupName, Problem::Empty, kGroupNameEmpty},
        {Field::GroupName, Problem::TooLong, kGroupNameTooLong},
        {Field::GroupName, Problem::Unusable, kGroupNameUnusable},
        {Field::GroupName, Problem::Reserved, kGroupNameReserved},
        {Field::MessageFolder, Problem::Empty, kFolderEmpty},
        {Field::MessageFolder, Problem::TooLong, kFolderTooLong},
        {Field::MessageFolder, Problem::Unusable, kFolderUnusable},
        {Field::MessageFolder, Problem::NoHome, kFolderNoHome},
    };
    for (const auto& entry : kTexts) {
        if (entry.field == refusal.field && entry.problem == refusal.problem)
            return entry.text;
    }
    return kUserNameUnusable; // not reached: every refusal has its text
}

} // namespace

CSettingDlg::CSettingDlg(SettingsStore& store, QWidget* parent) : QDialog(parent), store_(store)
{
    setWindowTitle(Text(kCaption));
    CreateControls();
}

void CSettingDlg::CreateControls()
{
    const DialogUnits du = DialogUnits::Dialog();
    setFixedSize(du.Size(259, 153));

    // The frames first, so that they lie below the fields they surround.
    (new QGroupBox(Text("メッセージファイルパス"), this))->setGeometry(du.Rect(13, 14, 189, 34));
    (new QGroupBox(Text("ユーザ名"), this))->setGeometry(du.Rect(13, 51, 91, 32));
    (new QGroupBox(Text("受信"), this))->setGeometry(du.Rect(13, 89, 90, 32));
    (new QGroupBox(Text("ポート番号"), this))->setGeometry(du.Rect(107, 89, 54, 32));
    auto* groupFrame = new QGroupBox(Text("グループ名"), this);
    groupFrame->setGeometry(du.Rect(107, 51, 95, 32));
    groupFrame->hide();

    folderEdit_ = new QLineEdit(this);
    folderEdit_->setObjectName(QStringLiteral("messageFolder"));
    folderEdit_->setGeometry(du.Rect(16, 29, 150, 12));

    auto* select = new QPushButton(Text("選択"), this);
    select->setObjectName(QStringLiteral("select"));
    select->setGeometry(du.Rect(168, 28, 31, 14));
    connect(select, &QPushButton::clicked, this, &CSettingDlg::OnSelectFolder);

    userEdit_ = new QLineEdit(this);
    userEdit_->setObjectName(QStringLiteral("userName"));
    userEdit_->setGeometry(du.Rect(18, 62, 80, 14));

    popupCheck_ = new QCheckBox(Text("ポップアップ受信"), this);
    popupCheck_->setObjectName(QStringLiteral("popupOnReceipt"));
    popupCheck_->setGeometry(du.Rect(19, 101, 62, 13));

    portEdit_ = new QLineEdit(this);
    portEdit_->setObjectName(QStringLiteral("portNumber"));
    portEdit_->setGeometry(du.Rect(111, 100, 44, 14));

    // Its rectangle's height is that of the dropped-down list.
    groupCombo_ = new QComboBox(this);
    groupCombo_->setObjectName(QStringLiteral("groupName"));
    groupCombo_->setEditable(true);
    groupCombo_->setInsertPolicy(QComboBox::NoInsert);
    const QRect comboRect = du.Rect(112, 62, 84, 64);
    groupCombo_->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(), groupCombo_->sizeHint().height());
    groupCombo_->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(208, 7, 36, 14));
    connect(ok, &QPushButton::clicked, this, &CSettingDlg::OnOK);

    auto* cancel = new QPushButton(Text("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(208, 24, 36, 14));
    connect(cancel, &QPushButton::clicked, this, &CSettingDlg::reject);
}

void CSettingDlg::showEvent(QShowEvent* event)
{
    if (!initialized_) {
        initialized_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CSettingDlg::OnInitDialog()
{
    FillGroupList();
    PutToControls();
    folderEdit_->setFocus();
}

void CSettingDlg::FillGroupList()
{
    for (uint32_t index = 0;; ++index) {
        char name[SettingsStore::kKeyNameSize];
        const int result = store_.EnumKey(index, name);
        if (result == SettingsStore::kRead)
            groupCombo_->addItem(QString::fromStdString(Cp932Codec::ToUtf8(name)));
        // A name too long for the buffer is skipped; any other failure would
        // repeat for every index.
        else if (result != SettingsBackend::kErrorMoreData)
            break;
    }
}

void CSettingDlg::SetFrom(const GroupSettings& settings)
{
    userName = FromField(settings.userName);
    groupName = FromField(settings.groupName);
    messageFolder = FromField(settings.messageFolder);
    portNumber = settings.portNumber;
    popupOnReceipt = settings.popupOnReceipt;
}

void CSettingDlg::CopyTo(GroupSettings& settings) const
{
    ToField(settings.userName, userName);
    ToField(settings.groupName, groupName);
    ToField(settings.messageFolder, messageFolder);
    settings.portNumber = portNumber;
    settings.popupOnReceipt = popupOnReceipt;
}

void CSettingDlg::PutToControls()
{
    popupCheck_->setChecked(popupOnReceipt != 0);
    userEdit_->setText(userName);
    folderEdit_->setText(messageFolder);
    portEdit_->setText(QString::number(portNumber));
    SelectGroup();
}

// The entry that names the current group, so that OK keeps it; failing that
// the first entry that begins with the name, or the name itself.
void CSettingDlg::SelectGroup()
{
    int index = groupName.isEmpty() ? -1 : groupCombo_->findText(groupName, Qt::MatchFixedString);
    if (index < 0 && !groupName.isEmpty())
        index = groupCombo_->findText(groupName, Qt::MatchStartsWith);
    if (index >= 0)
        groupCombo_->setCurrentIndex(index);
    else
        groupCombo_->setEditText(groupName);
}

bool CSettingDlg::TakeFromControls()
{
    popupOnReceipt = popupCheck_->isChecked() ? 1 : 0;
    GroupSettingsValidator::Values values{userEdit_->text().toStdString(), groupCombo_->currentText().toStdString(),
                                          folderEdit_->text().toStdString(), LeadingWholeNumber(portEdit_->text())};
    GroupSettings checked;
    const GroupSettingsValidator::Refusal refusal = GroupSettingsValidator::Check(values, checked);
    if (refusal) {
        QWidget* const fields[] = {userEdit_, portEdit_, groupCombo_, folderEdit_}; // in the order of Field
        Refuse(fields[static_cast<int>(refusal.field)], Text(RefusalText(refusal)));
        return false;
    }
    userName = QString::fromStdString(values.userName);
    groupName = QString::fromStdString(values.groupName);
    messageFolder = QString::fromStdString(values.messageFolder);
    portNumber = checked.portNumber;
    return true;
}

void CSettingDlg::Refuse(QWidget* field, const QString& text)
{
    MessageBoxService::Show(this, text, MessageBoxService::Buttons::Ok, MessageBoxService::Icon::Exclamation);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void CSettingDlg::OnSelectFolder()
{
    QString chosen = FileDialogService::BrowseFolder(this, Text(kBrowseTitle), folderEdit_->text());
    if (chosen.isEmpty())
        return;
    if (!chosen.endsWith(kSeparator))
        chosen += kSeparator;
    messageFolder = chosen;
    folderEdit_->setText(messageFolder);
}

void CSettingDlg::OnOK()
{
    if (!TakeFromControls())
        return;
    PutToControls();
    if (!OfferEmptyBoard())
        return;
    accept();
}

bool CSettingDlg::OfferEmptyBoard()
{
    const QString boardPath = messageFolder + QString::fromUtf8(CBoardData::kFileName);
    if (QFileInfo::exists(boardPath))
        return true;
    // A folder that is not there may be a share that is not connected: say
    // so, or a board would be made on the local disk where nobody looks.
    const bool folderExists = QFileInfo(messageFolder).isDir();
    const QString question =
        Text(folderExists ? SettingDlgTexts::kCreateBoard : SettingDlgTexts::kCreateFolderAndBoard)
            .arg(QString::fromUtf8(CBoardData::kFileName), messageFolder);
    const MessageBoxService::Answer proposed =
        folderExists ? MessageBoxService::AnswerYes : MessageBoxService::AnswerNo;
    if (MessageBoxService::Show(this, question, MessageBoxService::Buttons::YesNo, MessageBoxService::Icon::Question,
                                QString(), proposed) != MessageBoxService::AnswerYes)
        return true;

    if (const std::error_code failure = FilePath::MakeFolders(QFile::encodeName(messageFolder).toStdString())) {
        MessageBoxService::Show(this, Text(SettingDlgTexts::kCannotCreateFolder)
                                          .arg(messageFolder, QString::fromLocal8Bit(failure.message())));
        return false;
    }
    // A board that appeared meanwhile is used as it is.
    if (const Status created = EmptyBoardWriter::Create(QFile::encodeName(boardPath).toStdString(), kBoardEncoding);
        !created.ok() && created.code() != std::errc::file_exists) {
        MessageBoxService::Show(this, Text(SettingDlgTexts::kCannotCreateBoard)
                                          .arg(boardPath, QString::fromLocal8Bit(created.code().message())));
        return false;
    }
    return true;
}
