#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string_view>

class DesktopNotifier;
class QSystemTrayIcon;

// What the member is told while looking elsewhere: other members' board
// changes and direct messages, as desktop notifications, or in the tray's
// balloon where the desktop has no notification service. Direct messages
// arriving within a quiet time after one notification are told together at
// its end.
class MemberNotifications : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMessageQuietMs = 2000;
    static constexpr int kBalloonMs = 5000;

    // Makes the desktop notifier; tests give one over a private bus. An empty
    // factory makes one over the session bus.
    using Factory = std::function<DesktopNotifier*(QObject* parent)>;
    static void SetFactory(Factory factory);

    // trayShown: whether the tray icon is on a notification area now.
    MemberNotifications(QSystemTrayIcon* tray, std::function<bool()> trayShown, QObject* parent);

    bool On() const { return on_; }
    void SetOn(bool on) { on_ = on; }
    // Texts in CP932, as the records and datagrams hold them.
    void BoardChanged(int32_t number, std::string_view title, std::string_view poster);
    void DirectMessage(std::string_view user, std::string_view host);
    // At exit: nothing more is shown.
    void Stop();

signals:
    // The member clicked a board change's notification.
    void boardChosen(int32_t number);
    // The member clicked a direct message's notification.
    void messagesChosen();

private:
    void NotifyFoldedMessages();
    void ShowBalloon(const QString& summary, const QString& body, const QString& payload);
    void OnChosen(const QString& payload);

    DesktopNotifier* notifier_;
    QSystemTrayIcon* tray_;
    std::function<bool()> trayShown_;
    bool on_ = true;
    bool stopped_ = false;
    QString balloonPayload_;
    QTimer messageQuiet_;
    QString foldedSender_;
    int foldedMessages_ = 0;
};
