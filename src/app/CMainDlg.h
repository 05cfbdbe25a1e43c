#pragma once

#include "net/Datagram.h"
#include "settings/SettingsRecords.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

class CBoardApp;
class CBoardDlg;
class MemberNotifications;
class QMenu;
class QSystemTrayIcon;
class ReceiveWindowQueue;

// The main window: hosts the board view, owns the tray icon, runs the alert
// and acts on received datagrams. Closing it only hides it.
class CMainDlg : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kAlertIntervalMs = 1000;

    enum class TrayAction { Add, Modify, Delete };
    enum class TrayImage { Normal, Alert };

    explicit CMainDlg(CBoardApp& app);
    ~CMainDlg() override;

    // The main window's start-up; false when the socket cannot be opened.
    bool OnInitDialog(std::optional<int32_t> commandLinePort);

    // Board notices and direct messages; the application keeps the member
    // table from the presence datagrams.
    void OnDatagram(const Datagram& datagram);
    void OnCommand(int command);

    void ShowMainWindow();
    void HideMainWindow();
    void ToggleMainWindow();
    void StartAlert();
    void StopAlert();
    void RestoreWindowSize(bool centre);
    void ExitProgram();
    int RunSettings();
    void RunSettingsCommand();
    void RunFontCommand();
    void RunTargetsCommand();
    void SetAutostart(bool on);
    void RestartNetwork();
    void ShowReceived(const Datagram& datagram);

    bool IsShown() const { return shown_; }
    bool IsAlerting() const { return alert_; }
    bool BlinkPhase() const { return blinkPhase_; }
    bool HasTray() const { return trayAvailable_; }
    bool HasExited() const { return exited_; }
    QString TrayTip() const;
    TrayImage CurrentTrayImage() const { return trayImage_; }
    CBoardDlg* BoardView() const { return boardView_; }
    ReceiveWindowQueue& ReceiveWindows() const { return *receiveWindows_; }

    // The workspace that placement is checked against; tests may replace it.
    static QRect WorkArea();
    // Whether the desktop has a notification area; tests may pretend one.
    // An empty probe asks the desktop.
    static void SetTrayProbe(std::function<bool()> probe);
    bool NotificationsOn() const;
    void SetNotificationsOn(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void UpdateTrayIcon(TrayAction action, TrayImage image);
    void OnUnreadChanged(int count);
    void CreateNotifications();
    void NotifyBoardChange(int32_t number);
    QString UnreadSuffix() const;
    void OnTrayActivated(int reason);
    void CreateBoardView();
    FontDescription LoadBoardFont();
    PriorityColors LoadColors();
    void ApplyFontAndColors();
    bool ReadSettings();
    bool BringUpModalWindow();
    void SavePlacement();
    void ApplyPlacement(const ClientSizeRecord& placement);

    CBoardApp& app_;
    bool shown_ = false;
    Qt::WindowStates rememberedShow_ = Qt::WindowNoState;
    bool blinkPhase_ = false;
    bool alert_ = false;
    bool exited_ = false;
    bool trayAvailable_ = false;
    int alertTimer_ = 0;
    int unread_ = 0;
    // The number of the last board change announced since the list's last
    // reload for notices; 0 when none.
    int32_t announcedChange_ = 0;
    MemberNotifications* notifications_ = nullptr;
    QRect placedFrame_; // a restored placement not yet shown with its frame
    TrayImage trayImage_ = TrayImage::Normal;
    CBoardDlg* boardView_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    ReceiveWindowQueue* receiveWindows_ = nullptr;
};
