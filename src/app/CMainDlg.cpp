#include "app/CMainDlg.h"

#include "app/CAboutDlg.h"
#include "app/CBoardApp.h"
#include "app/MemberNotifications.h"
#include "app/ProductInfo.h"
#include "app/WindowPlacement.h"
#include "net/ui/CReceiveDlg.h"
#include "net/ui/ReceiveWindowQueue.h"
#include "settings/ui/CQuorlFontDlg.h"
#include "settings/ui/CSettingDlg.h"
#include "settings/ui/CTargetsDlg.h"
#include "ui/AutostartEntry.h"
#include "ui/MessageBoxService.h"
#include "ui/AppLog.h"
#include "core/RecordField.h"
#include "ui/BoardFont.h"
#include "ui/DialogUnits.h"
#include "ui/MenuCommand.h"
#include "ui/MenuResources.h"
#include "ui/ModalRunner.h"
#include "view/CBoardDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimerEvent>

#include <cstring>

namespace {

constexpr int kTemplateWidth = 369;
constexpr int kTemplateHeight = 291;
constexpr int kTrayWatchIntervalMs = 2000;
constexpr const char* kHelpMenuText = "ヘルプ";
constexpr const char* kUnreadFormat = "（未読 %1）";
constexpr const char* kAutostartFailed = "ログイン時の起動を設定できません: %1";

std::function<bool()>& TrayProbe()
{
    static std::function<bool()> probe;
    return probe;
}

bool TrayAvailable() { return TrayProbe() ? TrayProbe()() : QSystemTrayIcon::isSystemTrayAvailable(); }

} // namespace

void CMainDlg::SetTrayProbe(std::function<bool()> probe) { TrayProbe() = std::move(probe); }


CMainDlg::CMainDlg(CBoardApp& app) : app_(app)
{
    setWindowTitle(ProductInfo::Caption());
    resize(DialogUnits::Dialog().Size(kTemplateWidth, kTemplateHeight));
    receiveWindows_ = new ReceiveWindowQueue(app_, this);
}

CMainDlg::~CMainDlg()
{
    if (tray_ != nullptr)
        tray_->hide();
}

QRect CMainDlg::WorkArea()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

bool CMainDlg::OnInitDialog(std::optional<int32_t> commandLinePort)
{
    auto handler = [this](int command) { OnCommand(command); };
    MenuResources::BuildMenuBar(MenuResources::kMainMenu, menuBar(), handler);
    // The About entry lives in a help menu: a window manager's system menu
    // cannot be extended from here.
    QMenu* help = menuBar()->addMenu(MenuResources::WithAccessKey(kHelpMenuText, 'H'));
    connect(help->addAction(MenuResources::AboutText()), &QAction::triggered, this,
            [this] { OnCommand(kCommandAbout); });
    if (QAction* autostart = MenuResources::FindAction(menuBar(), kCommandAutostart))
        autostart->setChecked(AutostartEntry::IsOn());
    setWindowIcon(ProductInfo::ApplicationIcon());
    // Made now, though hidden: the program's modal windows are modal to it.
    winId();
    blinkPhase_ = false;
    RestoreWindowSize(false);

    app_.IdentifySelf();
    const bool firstRun = ReadSettings();
    if (commandLinePort && *commandLinePort > 0) {
        GroupSettings settings = app_.Settings();
        settings.portNumber = *commandLinePort;
        app_.SetSettings(settings);
    }

    if (app_.OpenSocket() != 0)
        return false;

    // The icon is made even without a notification area: started at login,
    // the program may be faster than the panel, and the icon moves in once
    // the area appears.
    tray_ = new QSystemTrayIcon(this);
    trayMenu_ = MenuResources::BuildPopup(MenuResources::kPopupMenus, MenuResources::kPopupPosition, this,
                                          [this](int command) { OnCommand(command); });
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        OnTrayActivated(static_cast<int>(reason));
    });
    trayAvailable_ = TrayAvailable();
    if (!trayAvailable_) {
        auto* watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [this, watch] {
            if (!TrayAvailable())
                return;
            trayAvailable_ = true;
            qCInfo(lcApp) << "notification area appeared";
            watch->deleteLater();
        });
        watch->start(kTrayWatchIntervalMs);
    }
    UpdateTrayIcon(TrayAction::Add, TrayImage::Normal);
    CreateNotifications();
    app_.OpenBoardFile();
    CreateBoardView();
    alert_ = false;

    // Without a notification area the window is the only way in; after a
    // first run it shows that the program started.
    if (!trayAvailable_ || firstRun)
        ShowMainWindow();
    return true;
}

bool CMainDlg::ReadSettings()
{
    GroupSettings settings;
    const bool firstRun = app_.Store().ReadGroupSettings(settings) == SettingsStore::kNothingStored;
    app_.SetSettings(firstRun ? SettingsStore::FirstRunSettings() : settings);
    if (firstRun)
        RunSettings();
    if (app_.Settings().messageFolder[0] == '\0')
        RunSettings();
    return firstRun;
}

int CMainDlg::RunSettings()
{
    CSettingDlg dialog(app_.Store(), this);
    dialog.SetFrom(app_.Settings());
    qCInfo(lcApp) << "settings window opened";
    if (ModalRunner::Run(dialog) != QDialog::Accepted)
        return QDialog::Rejected;

    GroupSettings settings = app_.Settings();
    dialog.CopyTo(settings);
    app_.SetSettings(settings);
    app_.Store().WriteGroupSettings(settings);
    app_.OpenBoardFile();
    return QDialog::Accepted;
}

void CMainDlg::CreateBoardView()
{
    boardView_ = new CBoardDlg(app_, this);
    connect(boardView_, &CBoardDlg::stopFlash, this, &CMainDlg::StopAlert);
    connect(boardView_, &CBoardDlg::viewCommand, this, &CMainDlg::OnCommand);
    connect(boardView_, &CBoardDlg::unreadChanged, this, &CMainDlg::OnUnreadChanged);
    connect(boardView_, &CBoardDlg::noticeReloaded, this, [this] {
        const int32_t number = announcedChange_;
        announcedChange_ = 0;
        if (number > 0)
            NotifyBoardChange(number);
    });
    OnUnreadChanged(boardView_->UnreadCount());
    setCentralWidget(boardView_);
    boardView_->show();
    app_.SetFontAndColors(BoardFont::ToFont(LoadBoardFont()), LoadColors());
    ApplyFontAndColors();
}

FontDescription CMainDlg::LoadBoardFont()
{
    FontDescription font = BoardFont::Default();
    if (app_.Store().ReadFont(font) != SettingsStore::kRead)
        font = BoardFont::Default();
    return font;
}

PriorityColors CMainDlg::LoadColors()
{
    PriorityColors colors = kDefaultPriorityColors;
    if (app_.Store().ReadColors(colors) != SettingsStore::kRead)
        colors = kDefaultPriorityColors;
    return colors;
}

void CMainDlg::ApplyFontAndColors()
{
    if (boardView_ != nullptr)
        boardView_->ApplyFontAndColors(app_.BoardFont(), app_.Colors());
}

QString CMainDlg::TrayTip() const
{
    return QStringLiteral("Trellin(%1)").arg(app_.Settings().portNumber) + UnreadSuffix();
}

QString CMainDlg::UnreadSuffix() const
{
    return unread_ > 0 ? QString::fromUtf8(kUnreadFormat).arg(unread_) : QString();
}

void CMainDlg::OnUnreadChanged(int count)
{
    if (count == unread_)
        return;
    unread_ = count;
    setWindowTitle(ProductInfo::Caption() + UnreadSuffix());
    if (tray_ != nullptr)
        tray_->setToolTip(TrayTip());
}

void CMainDlg::UpdateTrayIcon(TrayAction action, TrayImage image)
{
    const bool changed = trayImage_ != image;
    trayImage_ = image;
    const QIcon icon = image == TrayImage::Alert ? ProductInfo::AlertIcon() : ProductInfo::TrayIcon();
    // Without a notification area the window's own icon carries the alert.
    if (!trayAvailable_ && action != TrayAction::Delete && changed)
        setWindowIcon(image == TrayImage::Alert ? icon : ProductInfo::ApplicationIcon());
    if (tray_ == nullptr)
        return;
    switch (action) {
    case TrayAction::Add:
        tray_->setIcon(icon);
        tray_->setToolTip(TrayTip());
        tray_->show();
        qCInfo(lcApp).noquote() << "tray icon added tip=" + TrayTip();
        break;
    case TrayAction::Modify:
        tray_->setIcon(icon);
        tray_->setToolTip(TrayTip());
        qCDebug(lcApp) << "tray icon" << (image == TrayImage::Alert ? "alert" : "normal");
        break;
    case TrayAction::Delete:
        tray_->hide();
        qCInfo(lcApp) << "tray icon removed";
        break;
    }
}

void CMainDlg::OnTrayActivated(int reason)
{
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
        BringUpModalWindow();
        break;
    case QSystemTrayIcon::DoubleClick:
        ShowMainWindow();
        break;
    case QSystemTrayIcon::Context:
        trayMenu_->popup(QCursor::pos());
        qCInfo(lcApp) << "tray menu opened";
        break;
    default:
        break;
    }
}

void CMainDlg::ShowMainWindow()
{
    if (rememberedShow_ & Qt::WindowMaximized)
        showMaximized();
    else
        showNormal();
    raise();
    activateWindow();
    shown_ = true;
    qCInfo(lcApp) << "main window shown";
    if (alert_)
        StopAlert();
    BringUpModalWindow();
}

// A modal window blocks the main window; hidden behind others or minimised,
// it would leave the member stuck.
bool CMainDlg::BringUpModalWindow()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return false;
    modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->raise();
    modal->activateWindow();
    return true;
}

void CMainDlg::HideMainWindow()
{
    rememberedShow_ = windowState() & ~Qt::WindowMinimized;
    if (trayAvailable_)
        hide();
    else
        showMinimized(); // never out of reach without a notification area
    shown_ = false;
    qCInfo(lcApp) << "main window hidden";
}

void CMainDlg::ToggleMainWindow()
{
    if (shown_)
        HideMainWindow();
    else
        ShowMainWindow();
}

void CMainDlg::StartAlert()
{
    if (alertTimer_ != 0)
        killTimer(alertTimer_);
    alertTimer_ = startTimer(kAlertIntervalMs);
    alert_ = true;
    qCInfo(lcApp) << "alert started";
    if (!trayAvailable_)
        QApplication::alert(this);
    if (app_.Settings().popupOnReceipt == 1)
        ShowMainWindow();
}

void CMainDlg::StopAlert()
{
    if (alertTimer_ != 0)
        killTimer(alertTimer_);
    alertTimer_ = 0;
    UpdateTrayIcon(TrayAction::Modify, TrayImage::Normal);
    blinkPhase_ = false;
    if (alert_)
        qCInfo(lcApp) << "alert stopped";
    alert_ = false;
}

void CMainDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != alertTimer_ || alertTimer_ == 0) {
        QMainWindow::timerEvent(event);
        return;
    }
    if (blinkPhase_) {
        UpdateTrayIcon(TrayAction::Modify, TrayImage::Normal);
        blinkPhase_ = false;
    } else {
        UpdateTrayIcon(TrayAction::Modify, TrayImage::Alert);
        blinkPhase_ = true;
    }
}

void CMainDlg::RestoreWindowSize(bool centre)
{
    ClientSizeRecord placement;
    const QRect workArea = WorkArea();
    if (app_.Store().ReadClientSize(placement) != SettingsStore::kRead) {
        placement = WindowPlacement::Default();
        centre = true;
    } else if (placement.style != WindowPlacement::kShowNormal) {
        rememberedShow_ = placement.style == WindowPlacement::kShowMaximized ? Qt::WindowMaximized : Qt::WindowNoState;
        return;
    }
    if (!WindowPlacement::IsPlacementUsable(placement, workArea)) {
        placement = WindowPlacement::Default();
        centre = true;
    }
    if (centre)
        WindowPlacement::CentreInWorkArea(placement, workArea);
    ApplyPlacement(placement);
    rememberedShow_ = Qt::WindowNoState;
}

void CMainDlg::ApplyPlacement(const ClientSizeRecord& placement)
{
    if (isMaximized()) {
        if (isVisible() && !isMinimized())
            showNormal();
        else
            setWindowState(windowState() & ~Qt::WindowMaximized);
    }
    placedFrame_ = WindowPlacement::ToRect(placement);
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    move(placedFrame_.topLeft());
    resize(placedFrame_.size() - frameExtra);
}

void CMainDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The frame's size is known only once the window is on the screen.
    if (placedFrame_.isValid() && !isMaximized()) {
        const QSize frameExtra = frameGeometry().size() - geometry().size();
        resize(placedFrame_.size() - frameExtra);
        move(placedFrame_.topLeft());
    }
    placedFrame_ = QRect();
}

void CMainDlg::SavePlacement()
{
    const bool maximized = isVisible() ? isMaximized() : (rememberedShow_ & Qt::WindowMaximized) != 0;
    const int show = maximized ? WindowPlacement::kShowMaximized : WindowPlacement::kShowNormal;
    app_.Store().WriteClientSize(WindowPlacement::FromRect(frameGeometry(), show));
}

void CMainDlg::ExitProgram()
{
    if (exited_)
        return;
    exited_ = true;
    qCInfo(lcApp) << "exit";
    receiveWindows_->CloseAll();
    if (notifications_ != nullptr)
        notifications_->Stop();
    StopAlert();
    UpdateTrayIcon(TrayAction::Delete, TrayImage::Normal);
    SavePlacement();
    if (boardView_ != nullptr)
        app_.Store().WriteColumnWidths(boardView_->GetColumnWidths());
    app_.CloseSocket();
    hide();
    QCoreApplication::quit();
}

void CMainDlg::RunSettingsCommand()
{
    if (RunSettings() == QDialog::Rejected)
        return;
    if (boardView_ != nullptr)
        boardView_->RefreshTitles(0);
    RestartNetwork();
}

void CMainDlg::RestartNetwork()
{
    app_.CloseSocket();
    app_.OpenSocket();
    UpdateTrayIcon(TrayAction::Delete, TrayImage::Normal);
    UpdateTrayIcon(TrayAction::Add, TrayImage::Normal);
}

void CMainDlg::RunFontCommand()
{
    CQuorlFontDlg dialog(LoadBoardFont(), app_.Colors(), this);
    if (ModalRunner::Run(dialog) != QDialog::Accepted)
        return;
    app_.Store().WriteFont(dialog.font);
    app_.Store().WriteColors(dialog.colors);
    app_.SetFontAndColors(BoardFont::ToFont(dialog.font), dialog.colors);
    ApplyFontAndColors();
}

void CMainDlg::OnCommand(int command)
{
    switch (command) {
    case kCommandToggleWindow:
        ToggleMainWindow();
        break;
    case kCommandExit:
        ExitProgram();
        break;
    case kCommandSettings:
        if (!BringUpModalWindow())
            RunSettingsCommand();
        break;
    case kCommandFont:
        if (!BringUpModalWindow())
            RunFontCommand();
        break;
    case kCommandRestoreSize:
        RestoreWindowSize(true);
        break;
    case kCommandDesktopNotify:
        SetNotificationsOn(!NotificationsOn());
        app_.Store().WriteDesktopNotify(NotificationsOn());
        break;
    case kCommandTargets:
        if (!BringUpModalWindow())
            RunTargetsCommand();
        break;
    case kCommandAutostart:
        SetAutostart(!AutostartEntry::IsOn());
        break;
    case kCommandAbout: {
        CAboutDlg about(this);
        ModalRunner::Run(about);
        break;
    }
    default:
        break;
    }
}

void CMainDlg::OnDatagram(const Datagram& datagram)
{
    switch (static_cast<DatagramKind>(datagram.kind)) {
    case DatagramKind::BoardChanged:
        announcedChange_ = CBoardData::ParseInteger(datagram.text);
        if (boardView_ != nullptr)
            boardView_->RefreshTitlesFromNotice(announcedChange_);
        StartAlert();
        break;
    case DatagramKind::BoardDeleted:
        if (boardView_ != nullptr)
            boardView_->RefreshTitlesFromNotice(0);
        StartAlert();
        break;
    case DatagramKind::DirectMessage:
        ShowReceived(datagram);
        notifications_->DirectMessage(RecordField::Text(datagram.sender.user), RecordField::Text(datagram.sender.host));
        break;
    default:
        break;
    }
}

void CMainDlg::ShowReceived(const Datagram& datagram) { receiveWindows_->Show(datagram); }

void CMainDlg::closeEvent(QCloseEvent* event)
{
    if (exited_) {
        event->accept();
        return;
    }
    event->ignore();
    HideMainWindow();
}

void CMainDlg::RunTargetsCommand()
{
    CTargetsDlg dialog(app_.Store().ReadExtraTargets(RecordField::Text(app_.Settings().groupName)), this);
    if (ModalRunner::Run(dialog) != QDialog::Accepted)
        return;
    app_.SetExtraTargets(dialog.Targets());
}

void CMainDlg::SetAutostart(bool on)
{
    if (!AutostartEntry::Set(on, QCoreApplication::applicationFilePath().toStdString()))
        MessageBoxService::Show(this, QString::fromUtf8(kAutostartFailed).arg(QString::fromStdString(AutostartEntry::UserPath())));
    if (QAction* item = MenuResources::FindAction(menuBar(), kCommandAutostart))
        item->setChecked(AutostartEntry::IsOn());
}

void CMainDlg::CreateNotifications()
{
    notifications_ = new MemberNotifications(tray_, [this] { return trayAvailable_; }, this);
    SetNotificationsOn(app_.Store().ReadDesktopNotify());
    connect(notifications_, &MemberNotifications::boardChosen, this, [this](int32_t number) {
        ShowMainWindow();
        if (boardView_ != nullptr)
            boardView_->SelectMessage(number);
    });
    connect(notifications_, &MemberNotifications::messagesChosen, this, [this] {
        const auto& open = receiveWindows_->OpenWindows();
        for (auto window = open.rbegin(); window != open.rend(); ++window) {
            QWidget* shown = *window;
            shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
            shown->raise();
            shown->activateWindow();
        }
    });
}

bool CMainDlg::NotificationsOn() const { return notifications_ != nullptr && notifications_->On(); }

void CMainDlg::SetNotificationsOn(bool on)
{
    if (notifications_ != nullptr)
        notifications_->SetOn(on);
    if (QAction* item = MenuResources::FindAction(menuBar(), kCommandDesktopNotify))
        item->setChecked(on);
}

// Only while the member is not looking at the board, and only for a message
// still there.
void CMainDlg::NotifyBoardChange(int32_t number)
{
    if (notifications_ == nullptr || (isActiveWindow() && isVisible() && !isMinimized()))
        return;
    BoardMessage message;
    message.number = number;
    if (app_.Board().ReadMessage(message) == 0 && !message.date.empty())
        notifications_->BoardChanged(number, message.title, message.name);
}
