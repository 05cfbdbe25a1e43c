#include "view/CBoardDlg.h"

#include "board/AttachmentFolder.h"
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"
#include "net/PeerMessenger.h"
#include "net/ui/CMessageSend.h"
#include "settings/SettingsStore.h"
#include "ui/MenuCommand.h"
#include "ui/MenuResources.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "view/AttachmentActions.h"
#include "board/BoardLog.h"
#include "view/BoardRefreshThrottle.h"
#include "view/BoardViewContext.h"
#include "view/BoardViewTexts.h"
#include "view/CAttachFileList.h"
#include "view/CBoardPrint.h"
#include "view/CBoardTitle.h"
#include "view/CBoardWrite.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>
#include <unordered_map>

namespace {

constexpr const char* kNewText = "新規";
constexpr const char* kModifyText = "修正";
constexpr const char* kDeleteText = "削除";
constexpr const char* kPrintText = "印刷";
constexpr const char* kMessageText = "メッセージ";
constexpr const char* kCloseText = "閉じる";

constexpr int kMargin = 10;
constexpr int kButtonColumn = 80;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kAttachLeft = 195;
constexpr int kAttachWidth = 105;

} // namespace

CBoardDlg::CBoardDlg(BoardViewContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      newButton_(new QPushButton(QString::fromUtf8(kNewText), this)),
      modifyButton_(new QPushButton(QString::fromUtf8(kModifyText), this)),
      deleteButton_(new QPushButton(QString::fromUtf8(kDeleteText), this)),
      messageButton_(new QPushButton(QString::fromUtf8(kMessageText), this)),
      contentsPane_(new QPlainTextEdit(this)),
      titleList_(new CBoardTitle(context.Board(), this)),
      attachList_(new CAttachFileList(this)),
      printButton_(new QPushButton(QString::fromUtf8(kPrintText), this)),
      throttle_(new BoardRefreshThrottle(
          [this](int32_t number) {
              QElapsedTimer timer;
              timer.start();
              // The alert a notice starts must outlive the selection it makes.
              quietSelection_ = true;
              ReloadTitles(number, "notice");
              quietSelection_ = false;
              return std::chrono::milliseconds(timer.elapsed());
          },
          this))
{
    setAutoFillBackground(true);
    titleList_->setObjectName(QStringLiteral("titleList"));
    contentsPane_->setObjectName(QStringLiteral("contents"));
    attachList_->setObjectName(QStringLiteral("attachments"));
    newButton_->setObjectName(QStringLiteral("newButton"));
    modifyButton_->setObjectName(QStringLiteral("modifyButton"));
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    printButton_->setObjectName(QStringLiteral("printButton"));
    messageButton_->setObjectName(QStringLiteral("messageButton"));
    modifyButton_->setEnabled(false);
    deleteButton_->setEnabled(false);
    contentsPane_->setReadOnly(true);
    contentsPane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    attachList_->setContextMenuPolicy(Qt::CustomContextMenu);
    // As in a dialog, a focused button answers Enter itself.
    for (QPushButton* button : {newButton_, modifyButton_, deleteButton_, printButton_, messageButton_})
        button->setAutoDefault(true);

    connect(newButton_, &QPushButton::clicked, this, &CBoardDlg::PostNew);
    connect(modifyButton_, &QPushButton::clicked, this, &CBoardDlg::ModifySelected);
    connect(deleteButton_, &QPushButton::clicked, this, &CBoardDlg::DeleteSelected);
    connect(printButton_, &QPushButton::clicked, this, &CBoardDlg::PrintSelected);
    connect(messageButton_, &QPushButton::clicked, this, &CBoardDlg::OpenSendWindow);
    connect(titleList_, &CBoardTitle::titleSelected, this, &CBoardDlg::OnTitleSelected);
    connect(attachList_, &QWidget::customContextMenuRequested, this, &CBoardDlg::ShowAttachMenu);
    connect(attachList_, &QListWidget::itemDoubleClicked, this, [this] { OpenAttachment(); });
    OnInitDialog();
}

CBoardDlg::~CBoardDlg() { context_.Board().CloseDocument(); }

void CBoardDlg::OnInitDialog()
{
    ColumnWidths widths;
    std::optional<ColumnWidths> stored;
    if (context_.Store().ReadColumnWidths(widths) == SettingsStore::kRead)
        stored = widths;
    titleList_->SetupList(stored);
}

void CBoardDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void CBoardDlg::Layout()
{
    const int l = 0;
    const int t = 0;
    const int r = width();
    const int b = height();
    const int m = (b - t) / 2;
    titleList_->setGeometry(l + kMargin, t + kMargin, r - l - 100, m - t - 2 * kMargin);
    contentsPane_->setGeometry(l + kMargin, m, r - l - 210, b - kMargin - m);
    attachList_->setGeometry(r - kAttachLeft, m, kAttachWidth, b - kMargin - m);
    newButton_->setGeometry(r - kButtonColumn, t + 10, kButtonWidth, kButtonHeight);
    modifyButton_->setGeometry(r - kButtonColumn, t + 40, kButtonWidth, kButtonHeight);
    deleteButton_->setGeometry(r - kButtonColumn, t + 70, kButtonWidth, kButtonHeight);
    printButton_->setGeometry(r - kButtonColumn, t + 100, kButtonWidth, kButtonHeight);
    messageButton_->setGeometry(r - kButtonColumn, t + 150, kButtonWidth, kButtonHeight);
    update();
}

int CBoardDlg::ReloadTitles(int32_t number, const char* cause)
{
    ++reloadCount_;
    const int rows = titleList_->Reload(number, cause);
    qCInfo(lcBoard, "titles selection number=%d", SelectedNumber());
    return rows;
}

void CBoardDlg::RefreshTitles(int32_t number)
{
    throttle_->Covered();
    ReloadTitles(number, "refresh");
}

void CBoardDlg::RefreshTitlesFromNotice(int32_t number) { throttle_->Request(number); }

void CBoardDlg::ApplyFontAndColors(const QFont& font, const PriorityColors& colors)
{
    contentsPane_->setFont(font);
    titleList_->setFont(font);
    titleList_->SetColors(colors);
    titleList_->viewport()->update();
}

ColumnWidths CBoardDlg::GetColumnWidths() const { return titleList_->GetColumnWidths(); }

int32_t CBoardDlg::SelectedNumber(int* row) const
{
    const int selected = titleList_->FirstSelectedRow();
    if (row != nullptr)
        *row = selected;
    return selected < 0 ? -1 : titleList_->RowNumber(selected);
}

void CBoardDlg::OnTitleSelected(int /*row*/)
{
    ShowMessage(SelectedNumber());
    if (!quietSelection_)
        emit stopFlash();
}

void CBoardDlg::ShowMessage(int32_t number)
{
    BoardMessage message;
    message.number = number;
    const int result = context_.Board().ReadMessage(message);
    qCInfo(lcBoard, "store read number=%d result=%d", number, result);
    if (result != 0) {
        contentsPane_->setPlainText(QString::fromUtf8(BoardViewTexts::kReadError));
        return;
    }
    contentsPane_->setPlainText(QString::fromStdString(Cp932Codec::ToUtf8(message.contents)));
    const bool own = message.hostname == context_.HostName();
    modifyButton_->setEnabled(own);
    deleteButton_->setEnabled(own);
    newButton_->setEnabled(true);
    if (message.attach != 0) {
        attachmentFolder_ = AttachmentFolder::AttachmentFolderPath(
            context_.MessageFolder(), message.hostname, message.date);
        attachList_->LoadFolder(attachmentFolder_);
    } else {
        attachList_->ClearList();
    }
}

void CBoardDlg::ClearMessagePane()
{
    contentsPane_->clear();
    attachList_->ClearList();
}

BoardWriteContext CBoardDlg::WriteContext() const
{
    BoardWriteContext context;
    context.board = &context_.Board();
    context.messageFolder = context_.MessageFolder();
    context.hostName = std::string(context_.HostName());
    context.userName = std::string(context_.UserName());
    return context;
}

void CBoardDlg::Announce(DatagramKind kind, const std::string& text) { context_.Messenger().SendDatagram(kind, text, {}); }

void CBoardDlg::PostNew()
{
    CBoardWrite editor(WriteContext(), this);
    editor.mode = CBoardWrite::kModeNew;
    editor.messageNumber = 0;
    if (ModalRunner::Run(editor) != QDialog::Accepted)
        return;
    const int32_t number = editor.record.number;
    RefreshTitles(number);
    ShowMessage(number);
    Announce(DatagramKind::BoardChanged, std::to_string(number));
}

void CBoardDlg::ModifySelected()
{
    const int32_t number = SelectedNumber();
    if (number < 0)
        return;
    CBoardWrite editor(WriteContext(), this);
    editor.mode = CBoardWrite::kModeModify;
    editor.messageNumber = number;
    if (ModalRunner::Run(editor) != QDialog::Accepted)
        return;
    // The list may have been reloaded while the editor was open: the row is
    // looked up again rather than trusting the index taken before.
    const int row = titleList_->FindRow(number);
    if (row >= 0)
        titleList_->UpdateRow(row, editor.record);
    titleList_->setFocus();
    ShowMessage(number);
    Announce(DatagramKind::BoardChanged, std::to_string(number));
}

void CBoardDlg::DeleteSelected()
{
    const int32_t number = SelectedNumber();
    if (number < 0)
        return;
    if (MessageBoxService::Show(this, QString::fromUtf8(BoardViewTexts::kDeleteQuestion),
                                MessageBoxService::Buttons::YesNo, MessageBoxService::Icon::Exclamation,
                                QString::fromUtf8(BoardViewTexts::kDeleteCaption)) != MessageBoxService::AnswerYes)
        return;
    BoardMessage message;
    message.number = number;
    const int readResult = context_.Board().ReadMessage(message);
    const int deleteResult = context_.Board().DeleteMessage(number);
    qCInfo(lcBoard, "store delete number=%d read=%d result=%d", number, readResult, deleteResult);
    // Attachments go only with a message that has really left the board, and
    // not while another message names the same folder.
    if (deleteResult == 0 && !message.date.empty() &&
        !context_.Board().FolderNamedByAnother(message.hostname, message.date, number))
        AttachmentFolder::RemoveAttachmentFolder(AttachmentFolder::AttachmentFolderPath(
            context_.MessageFolder(), message.hostname, message.date));
    ClearMessagePane();
    RefreshTitles(-1);
    Announce(DatagramKind::BoardDeleted, std::string(context_.UserName()));
}

void CBoardDlg::PrintSelected()
{
    const std::vector<int> rows = titleList_->SelectedRows();
    if (rows.empty()) {
        MessageBoxService::Show(this, QString::fromUtf8(BoardViewTexts::kSelectToPrint));
        return;
    }
    std::vector<BoardMessage> messages;
    if (context_.Board().LoadMessages(messages) != 0) {
        MessageBoxService::Show(this, QString::fromUtf8(BoardViewTexts::kLoadFailed));
        return;
    }
    // The first message of each number, looked up once for every row.
    std::unordered_map<int32_t, const BoardMessage*> byNumber;
    for (const BoardMessage& message : messages)
        byNumber.emplace(message.number, &message);
    std::vector<BoardMessage> printList;
    for (int row : rows) {
        if (const auto found = byNumber.find(titleList_->RowNumber(row)); found != byNumber.end())
            printList.push_back(*found->second);
    }
    std::optional<FontDescription> storedFont;
    if (FontDescription font; context_.Store().ReadFont(font) == SettingsStore::kRead)
        storedFont = font;
    CBoardPrint print;
    if (print.SetupPrinter(this, storedFont) == CBoardPrint::kCancelled)
        return;
    print.PrintMessages(printList);
    print.ReleasePrinter();
}

void CBoardDlg::OpenSendWindow()
{
    CMessageSend sendWindow(context_.Messenger(), this);
    ModalRunner::Run(sendWindow);
}

void CBoardDlg::OpenAttachment()
{
    AttachmentActions::Open(this, attachList_->RecordPathOf(attachList_->SelectionMarkRow()));
}

void CBoardDlg::SaveAttachment()
{
    AttachmentActions::Save(this, attachList_->RecordPathOf(attachList_->SelectionMarkRow()));
}

void CBoardDlg::ShowAttachMenu(const QPoint& point)
{
    if (attachList_->itemAt(point) == nullptr)
        return;
    QMenu* menu = MenuResources::BuildPopup(MenuResources::kPopupMenus, MenuResources::kAttachPosition, this,
                                            [this](int command) {
                                                if (command == kCommandOpenAttachment)
                                                    OpenAttachment();
                                                else if (command == kCommandSaveAttachment)
                                                    SaveAttachment();
                                            });
    menu->exec(attachList_->viewport()->mapToGlobal(point));
    delete menu;
}

void CBoardDlg::ShowViewMenu(const QPoint& globalPoint)
{
    QMenu* menu = MenuResources::BuildPopup(MenuResources::kPopupMenus, MenuResources::kPopupPosition, this,
                                            [this](int command) { emit viewCommand(command); });
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == kCommandToggleWindow)
            action->setText(QString::fromUtf8(kCloseText));
        else if (action->data().toInt() == kCommandRestoreSize)
            action->setEnabled(false);
    }
    menu->exec(globalPoint);
    delete menu;
}

void CBoardDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        pressPoint_ = event->globalPosition().toPoint();
        windowOrigin_ = window()->pos();
    } else if (event->button() == Qt::RightButton) {
        ShowViewMenu(event->globalPosition().toPoint());
    }
    QWidget::mousePressEvent(event);
}

void CBoardDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        window()->move(windowOrigin_ + event->globalPosition().toPoint() - pressPoint_);
    QWidget::mouseMoveEvent(event);
}

void CBoardDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}
