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
#include "view/ReadMarks.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>
#include <utility>
#include <unordered_map>

namespace {

constexpr const char* kNewText = "新規";
constexpr const char* kModifyText = "修正";
constexpr const char* kDeleteText = "削除";
constexpr const char* kPrintText = "印刷";
constexpr const char* kMessageText = "メッセージ";
constexpr const char* kCloseText = "閉じる";
constexpr const char* kNextUnreadText = "次の未読";
constexpr const char* kFindPlaceholder = "タイトル・投稿者・本文を検索";
constexpr const char* kFindCloseTip = "検索を閉じる (Esc)";

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
              emit noticeReloaded(number);
              return std::chrono::milliseconds(timer.elapsed());
          },
          this)),
      readMarks_(new ReadMarks(this)),
      findBar_(new QWidget(this)),
      findEdit_(new QLineEdit(findBar_))
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
    connect(titleList_, &CBoardTitle::rowsReloaded, this, &CBoardDlg::SettleReadMarks);
    CreateFindBar();
    CreateShortcuts();
    OnInitDialog();
}

// Each key does what its button does, and nothing while the button is off.
void CBoardDlg::CreateShortcuts()
{
    const std::pair<QKeySequence, QPushButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), newButton_},    {QKeySequence(Qt::CTRL | Qt::Key_E), modifyButton_},
        {QKeySequence(Qt::Key_Delete), deleteButton_},       {QKeySequence(Qt::CTRL | Qt::Key_P), printButton_},
        {QKeySequence(Qt::CTRL | Qt::Key_M), messageButton_},
    };
    for (const auto& [key, button] : keys) {
        auto* shortcut = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &QPushButton::click); // nothing while it is off
        button->setToolTip(button->text() + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                           QLatin1Char(')'));
    }
    // Space in the list, instead of toggling the current row's selection.
    auto* nextUnread = new QAction(QString::fromUtf8(kNextUnreadText), titleList_);
    nextUnread->setObjectName(QStringLiteral("nextUnread"));
    nextUnread->setShortcut(QKeySequence(Qt::Key_Space));
    nextUnread->setShortcutContext(Qt::WidgetShortcut);
    titleList_->addAction(nextUnread);
    connect(nextUnread, &QAction::triggered, this, &CBoardDlg::SelectNextUnread);
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut),
            &QShortcut::activated, this, [this] { RefreshTitles(SelectedNumber()); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut),
            &QShortcut::activated, this, &CBoardDlg::ShowFindBar);
    // The attachment pane's pop-up commands without the mouse.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(key), attachList_, nullptr, nullptr, Qt::WidgetShortcut),
                &QShortcut::activated, this, [this] {
                    if (attachList_->currentItem() != nullptr)
                        OpenAttachment();
                });
}

void CBoardDlg::CreateFindBar()
{
    findBar_->setObjectName(QStringLiteral("findBar"));
    findEdit_->setObjectName(QStringLiteral("findEdit"));
    findEdit_->setPlaceholderText(QString::fromUtf8(kFindPlaceholder));
    findEdit_->setClearButtonEnabled(true);
    auto* close = new QToolButton(findBar_);
    close->setObjectName(QStringLiteral("findClose"));
    close->setAutoRaise(true);
    close->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    close->setToolTip(QString::fromUtf8(kFindCloseTip));
    auto* row = new QHBoxLayout(findBar_);
    row->setContentsMargins(0, 0, 0, 2);
    row->setSpacing(2);
    row->addWidget(findEdit_);
    row->addWidget(close);
    findBar_->hide();
    connect(findEdit_, &QLineEdit::textChanged, titleList_, &CBoardTitle::SetFilter);
    connect(close, &QToolButton::clicked, this, &CBoardDlg::HideFindBar);
    // Esc ends a find wherever the focus is in the view; otherwise it does nothing.
    findEscape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    findEscape_->setEnabled(false);
    connect(findEscape_, &QShortcut::activated, this, &CBoardDlg::HideFindBar);
}

void CBoardDlg::ShowFindBar()
{
    if (findBar_->isHidden()) {
        findBar_->show();
        findEscape_->setEnabled(true);
        Layout();
    }
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void CBoardDlg::HideFindBar()
{
    if (findBar_->isHidden())
        return;
    findBar_->hide();
    findEscape_->setEnabled(false);
    findEdit_->clear(); // shows every row again
    Layout();
    titleList_->setFocus();
    if (titleList_->currentIndex().isValid())
        titleList_->scrollTo(titleList_->currentIndex());
}

bool CBoardDlg::SelectNextUnread()
{
    titleList_->setFocus();
    return titleList_->SelectNextUnread();
}

bool CBoardDlg::SelectMessage(int32_t number)
{
    if (titleList_->FindRow(number) < 0)
        HideFindBar();
    if (titleList_->FindRow(number) < 0)
        RefreshTitles(number);
    titleList_->setFocus();
    if (!titleList_->SelectNumber(number))
        return false;
    MarkUnseenRead(); // selected already, by the notice that announced it
    return true;
}

int CBoardDlg::UnreadCount() const { return titleList_->UnreadCount(); }

void CBoardDlg::SettleReadMarks()
{
    readMarks_->Settle(context_.ReadStatePath(), titleList_->Numbers(), titleList_->BoardCounter());
    titleList_->SetUnread([this](int32_t number) { return readMarks_->IsUnread(number); });
    emit unreadChanged(titleList_->UnreadCount());
}

// A message counts as read once the member could see it: shown by his own
// doing, or shown by a notice while the window is in front. One shown while
// the window was away is read when the window comes up with it.
void CBoardDlg::MarkRead(int32_t number)
{
    const bool inFront = window()->isActiveWindow() && !window()->isMinimized();
    const bool seen = isVisible() && (inFront || !quietSelection_);
    unseenShown_ = seen ? -1 : number;
    if (seen && readMarks_->MarkRead(number)) {
        titleList_->SetRowUnread(number, false);
        emit unreadChanged(titleList_->UnreadCount());
    }
}

void CBoardDlg::MarkUnseenRead()
{
    if (unseenShown_ < 0 || unseenShown_ != SelectedNumber() || !isVisible() || window()->isMinimized())
        return;
    const bool quiet = std::exchange(quietSelection_, false);
    MarkRead(unseenShown_);
    quietSelection_ = quiet;
}

void CBoardDlg::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        MarkUnseenRead();
}

void CBoardDlg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    MarkUnseenRead();
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
    // The find bar, while shown, takes its height from the title list.
    const int bar = findBar_->isVisible() ? findBar_->sizeHint().height() : 0;
    findBar_->setGeometry(l + kMargin, t + kMargin, r - l - 100, bar);
    titleList_->setGeometry(l + kMargin, t + kMargin + bar, r - l - 100, m - t - 2 * kMargin - bar);
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
    // Rebuilt rows settle the marks themselves; another board's marks need it too.
    if (rows >= 0 && readMarks_->Path() != context_.ReadStatePath())
        SettleReadMarks();
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
    if (!message.date.empty()) // a message still on the board
        MarkRead(number);
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
    if (titleList_->FindRow(number) < 0)
        SelectMessage(number); // the find hides it: the member's own post is shown all the same
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

void CBoardDlg::ShowAttachMenu(const QPoint& requested)
{
    QPoint point = requested;
    // The menu key asks for the current item's menu wherever the point lies.
    if (attachList_->itemAt(point) == nullptr && attachList_->hasFocus() && attachList_->currentItem() != nullptr)
        point = attachList_->visualItemRect(attachList_->currentItem()).center();
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
            action->setText(MenuResources::WithAccessKey(kCloseText, 'C'));
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
