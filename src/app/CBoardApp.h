#pragma once

#include "board/CBoardData.h"
#include "net/Datagram.h"
#include "net/PeerMessenger.h"
#include "net/PeerTable.h"
#include "net/PresenceHandler.h"
#include "settings/SettingsRecords.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBoxReporter.h"
#include "view/BoardViewContext.h"

#include <QFont>
#include <QTimer>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBoardSocket;
class CMainDlg;

// The program-wide state for the whole run: own identity, settings, colours,
// board font, member table, board store and datagram socket. It is their one
// owner; the windows change them through its operations.
class CBoardApp : public QObject, public PeerMessenger, public BoardViewContext
{
    Q_OBJECT

public:
    static constexpr int kExtraHelloIntervalMs = 30000;

    explicit CBoardApp(SettingsStore& store, QObject* parent = nullptr);
    ~CBoardApp() override;

    // Start-up: the socket object, then the main window with its own
    // start-up. False when the program cannot run (the reason was shown).
    bool InitInstance(std::optional<int32_t> commandLinePort);

    // Own identity and settings.
    const PeerRecord& Own() const { return own_; }
    const GroupSettings& Settings() const { return settings_; }
    // This computer's host name and address.
    void IdentifySelf();
    // The own record's user name follows the settings'.
    void SetSettings(const GroupSettings& settings);
    // Gives the board store the board file of the message folder, if any.
    void OpenBoardFile();
    const QFont& BoardFont() const { return boardFont_; }
    const PriorityColors& Colors() const { return colors_; }
    void SetFontAndColors(const QFont& font, const PriorityColors& colors);

    // Datagrams and the member table.
    std::string FormatDatagram(DatagramKind kind, std::string_view text) const override;
    int SendDatagram(DatagramKind kind, std::string_view text, std::string_view target,
                     std::string_view fallbackAddress = {}) override;
    const PeerTable& Peers() const override { return presence_.Peers(); }
    uint16_t MaxDatagramSize() const override;
    // Presence datagrams keep the member table here; board notices and
    // direct messages go on to the main window.
    void OnDatagramReceived(const char* bytes, size_t length);
    int OpenSocket();
    // The current group's extra destinations: stored, used from now on, and
    // greeted with a Hello.
    void SetExtraTargets(const std::vector<std::string>& targets);
    int CloseSocket();
    // The port the socket is open on, 0 while it is closed.
    int32_t Port() const;

    // Tests put a socket of their own in place before start-up.
    void SetSocket(std::unique_ptr<CBoardSocket> socket);
    CMainDlg* MainWindow() const { return mainWindow_.get(); }

    // What the board view needs.
    CBoardData& Board() override { return board_; }
    SettingsStore& Store() override { return store_; }
    PeerMessenger& Messenger() override { return *this; }
    std::string_view HostName() const override;
    std::string_view UserName() const override;
    std::string MessageFolder() const override;
    // One file per desk and board file in folder; no read marks without one.
    void SetReadStateFolder(std::string folder) { readStateFolder_ = std::move(folder); }
    std::string ReadStatePath() const override;

private:
    SettingsStore& store_;
    MessageBoxReporter reporter_;
    CBoardData board_;
    PeerRecord own_;
    GroupSettings settings_;
    PriorityColors colors_;
    QFont boardFont_;
    PresenceHandler presence_;
    uint16_t maxDatagramSize_;
    std::unique_ptr<CBoardSocket> socket_;
    std::unique_ptr<CMainDlg> mainWindow_;
    std::string readStateFolder_;
    // A member on another subnet who starts later than this program hears of
    // it only by a Hello sent there again; the own subnet hears the member's.
    QTimer extraHello_;
};
