#include "view/CBoardWrite.h"

#include "board/AttachmentFolder.h"
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBoxService.h"
#include "ui/FileDialogService.h"
#include "board/BoardLog.h"
#include "view/BoardViewTexts.h"
#include "view/CAttachFileList.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include <ctime>

namespace {

constexpr const char* kCaption = "掲示板";
constexpr const char* kTitleLabel = "タイトル";
constexpr const char* kMessageLabel = "メッセージ";
constexpr const char* kPriorityGroup = "種別";
constexpr const char* kPriorityNames[] = {"緊急", "通知", "通常"};
constexpr int kPriorityCount = 3;
constexpr const char* kAttachText = "添付ファイル";
constexpr const char* kCopyingText = "添付ファイルコピー中";
constexpr const char* kWriteText = "書き込む";
constexpr const char* kCancelText = "ｷｬﾝｾﾙ";
constexpr const char* kDateFormat = "%Y%m%d%H%M%S";

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, kDateFormat, &local);
    return text;
}

std::string ToRecord(const QString& text) { return Cp932Codec::FromUtf8(text.toStdString()); }

QString FromRecord(const std::string& text) { return QString::fromStdString(Cp932Codec::ToUtf8(text)); }

} // namespace

CBoardWrite::CBoardWrite(const BoardWriteContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      titleLabel_(new QLabel(QString::fromUtf8(kTitleLabel), this)),
      titleField_(new QLineEdit(this)),
      messageLabel_(new QLabel(QString::fromUtf8(kMessageLabel), this)),
      messageField_(new QTextEdit(this)),
      priorityGroup_(new QGroupBox(QString::fromUtf8(kPriorityGroup), this)),
      priorityButtons_(new QButtonGroup(this)),
      attachList_(new CAttachFileList(this)),
      attachButton_(new QPushButton(QString::fromUtf8(kAttachText), this)),
      progress_(new QProgressBar(this)),
      progressLabel_(new QLabel(QString::fromUtf8(kCopyingText), this)),
      writeButton_(new QPushButton(QString::fromUtf8(kWriteText), this)),
      cancelButton_(new QPushButton(QString::fromUtf8(kCancelText), this))
{
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(QApplication::windowIcon());
    setFixedSize(DialogUnits::Dialog().Size(kTemplateWidth, kTemplateHeight));

    messageField_->setAcceptRichText(false);
    messageField_->setTabChangesFocus(true);
    messageField_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (int i = 0; i < kPriorityCount; ++i) {
        priorityButtons_->addButton(new QRadioButton(QString::fromUtf8(kPriorityNames[i]), this), i);
        priorityButtons_->button(i)->setObjectName(QStringLiteral("priority%1").arg(i));
    }
    titleField_->setObjectName(QStringLiteral("titleField"));
    messageField_->setObjectName(QStringLiteral("messageField"));
    attachList_->setObjectName(QStringLiteral("attachments"));
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setTextVisible(false);
    progress_->hide();
    progressLabel_->hide();
    // Enter in the title field presses the default button: writing.
    writeButton_->setDefault(true);

    connect(writeButton_, &QPushButton::clicked, this, &CBoardWrite::OnOK);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(attachButton_, &QPushButton::clicked, this, &CBoardWrite::OnAttachFile);
    connect(attachList_, &CAttachFileList::deletePressed, this, &CBoardWrite::OnDeleteKey);
}

void CBoardWrite::showEvent(QShowEvent* event)
{
    if (!initialised_)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CBoardWrite::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (initialised_)
        Layout();
}

void CBoardWrite::OnInitDialog()
{
    initialised_ = true;
    Layout();
    if (mode == kModeModify) {
        LoadForModify();
    } else {
        priorityIndex = kPriorityNormal;
    }
    UpdateData(false);
    titleField_->setFocus();
}

void CBoardWrite::LoadForModify()
{
    record.number = messageNumber;
    const int result = context_.board->ReadMessage(record);
    qCInfo(lcBoard, "store read number=%d result=%d", messageNumber, result);
    if (result != 0) {
        messageField_->setPlainText(QString::fromUtf8(BoardViewTexts::kReadError));
        // Writing now would put the error text over the stored message.
        writeButton_->setEnabled(false);
        return;
    }
    titleField_->setText(FromRecord(record.title));
    messageField_->setPlainText(FromRecord(record.contents));
    priorityIndex = record.priority;
    // A folder that another message names too holds files of both: they are
    // neither shown as this message's nor changed through it.
    sharedFolder_ = context_.board->FolderNamedByAnother(record.hostname, record.date, record.number);
    if (sharedFolder_) {
        attachButton_->setEnabled(false);
        for (QWidget* widget : {static_cast<QWidget*>(attachButton_), static_cast<QWidget*>(attachList_)})
            widget->setToolTip(QString::fromUtf8(BoardViewTexts::kSharedFolder));
        return;
    }
    attachList_->LoadFolder(
        AttachmentFolder::AttachmentFolderPath(context_.messageFolder, record.hostname, record.date));
}

void CBoardWrite::UpdateData(bool fromControls)
{
    if (fromControls) {
        priorityIndex = priorityButtons_->checkedId();
        return;
    }
    if (QAbstractButton* button = priorityButtons_->button(priorityIndex)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = priorityButtons_->checkedButton()) {
        priorityButtons_->setExclusive(false);
        checked->setChecked(false);
        priorityButtons_->setExclusive(true);
    }
}

void CBoardWrite::Layout()
{
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int r = client.right() + 1;
    const int b = client.bottom() + 1;
    const int w = (r - l) / 10 * 7;
    const auto place = [](QWidget* widget, int left, int top, int right, int height) {
        widget->setGeometry(left, top, right - left, height);
    };
    place(titleLabel_, l + 20, t + 10, w, 20);
    place(titleField_, l + 20, t + 30, w, 20);
    place(messageLabel_, l + 20, t + 70, w, 20);
    place(messageField_, l + 20, t + 90, w, (b - 100) - (t + 90));
    place(attachList_, l + 20, b - 95, w, 70);
    place(progressLabel_, l + 20, b - 20, l + 130, 15);
    place(progress_, l + 140, b - 20, w, 15);
    place(writeButton_, r - 105, t + 10, r - 10, 30);
    place(attachButton_, r - 105, t + 45, r - 10, 30);
    place(priorityGroup_, r - 105, t + 90, r - 10, 100);
    for (int i = 0; i < kPriorityCount; ++i)
        place(priorityButtons_->button(i), r - 90, t + 110 + 25 * i, r - 40, 20);
    place(cancelButton_, r - 105, b - 50, r - 10, 30);
    update();
}

void CBoardWrite::OnAttachFile()
{
    UpdateData(true);
    const QString path = FileDialogService::ChooseFileToAttach(this);
    if (path.isEmpty())
        return;
    attachList_->AddFile(QFile::encodeName(path).toStdString());
    UpdateData(false);
}

void CBoardWrite::OnDeleteKey()
{
    const int row = attachList_->SelectionMarkRow();
    if (row >= 0)
        attachList_->RemoveItem(row);
}

void CBoardWrite::OnOK()
{
    if (!writeButton_->isEnabled())
        return;
    UpdateData(true);
    if (!TakeTypedText())
        return;
    const bool written = (mode == kModeNew && !stored_) ? WriteNew() : WriteModified();
    if (!written || !CommitAttachments())
        return;
    accept();
}

bool CBoardWrite::TakeTypedText()
{
    typedTitle_ = titleField_->text();
    typedText_ = messageField_->toPlainText();
    if (Cp932Codec::IsRepresentable(typedTitle_.toStdString()) && Cp932Codec::IsRepresentable(typedText_.toStdString()))
        return true;
    MessageBoxService::Show(this, QString::fromUtf8(BoardViewTexts::kUnstorable));
    return false;
}

bool CBoardWrite::WriteNew()
{
    record.date = LocalTimeNow();
    record.title = ToRecord(typedTitle_);
    record.contents = ToRecord(typedText_);
    record.priority = priorityIndex;
    record.attach = attachList_->CountKept() ? 1 : 0;
    record.hostname = context_.hostName;
    record.name = context_.userName;
    record.number = 0;
    const int result = context_.board->AddMessage(record);
    qCInfo(lcBoard, "store add result=%d number=%d", result, record.number);
    if (result != 0) {
        record.number = 0;
        ReportFailure(BoardViewTexts::kRegisterError);
        return false;
    }
    stored_ = true;
    if (record.attach == 1)
        attachList_->SetFolder(
            AttachmentFolder::AttachmentFolderPath(context_.messageFolder, record.hostname, record.date));
    return true;
}

bool CBoardWrite::WriteModified()
{
    record.title = ToRecord(typedTitle_);
    record.contents = ToRecord(typedText_);
    record.priority = priorityIndex;
    if (!sharedFolder_)
        record.attach = attachList_->CountKept() ? 1 : 0;
    const int result = context_.board->UpdateMessage(record);
    qCInfo(lcBoard, "store update result=%d number=%d", result, record.number);
    if (result != 0) {
        ReportFailure(BoardViewTexts::kUpdateError);
        return false;
    }
    // A new message written again after its attachments failed to copy.
    if (stored_ && record.attach == 1 && attachList_->Folder().empty())
        attachList_->SetFolder(
            AttachmentFolder::AttachmentFolderPath(context_.messageFolder, record.hostname, record.date));
    return true;
}

bool CBoardWrite::CommitAttachments()
{
    progressLabel_->show();
    progress_->show();
    repaint();
    if (attachList_->Folder().empty())
        return true;
    QString error;
    int kept = 0;
    attachList_->CountKept(&kept);
    const bool committed = attachList_->Commit(progress_, &error);
    qCInfo(lcBoard, "attachments committed number=%d kept=%d ok=%d folder=%s", record.number, kept,
           committed ? 1 : 0, attachList_->Folder().c_str());
    if (!committed) {
        MessageBoxService::Show(this, error, MessageBoxService::Buttons::Ok, MessageBoxService::Icon::Stop);
        return false;
    }
    return true;
}

void CBoardWrite::ReportFailure(const char* text)
{
    // The store has shown its own message; the window stays open with what
    // the member wrote, so that nothing is lost and writing can be retried.
    MessageBoxService::Show(this, QString::fromUtf8(text));
}
