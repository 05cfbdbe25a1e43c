#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class QDBusPendingCallWatcher;

// Desktop notifications through the freedesktop notification service on the
// session bus. Each notification belongs to a channel ("board", "message"):
// a new one replaces the one of its channel still shown, so they do not pile
// up. Everything is asynchronous: Notify returns at once, and `failed` and
// `actionInvoked` are always emitted from the event loop, never from inside
// Notify.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr int kReplyTimeoutMs = 2000; // a hanging service gives up after this

    // Over the session bus by default; tests pass a connection to a private bus.
    explicit DesktopNotifier(QObject* parent = nullptr);
    DesktopNotifier(const QDBusConnection& bus, QObject* parent);

    // Sends one notification and returns at once. `payload` comes back in
    // actionInvoked when the member clicks it. While the service has not yet
    // answered for a channel, a further notification on it waits for that
    // answer (to replace it); only the newest one waiting is kept.
    void Notify(const QString& channel, const QString& summary, const QString& body, const QString& payload);

    // How long a call waits for the service's answer (kReplyTimeoutMs unless set).
    void SetReplyTimeout(int ms) { replyTimeoutMs_ = ms; }

signals:
    // The member invoked the notification's default action (or its one button).
    void actionInvoked(const QString& payload);
    // The service is missing, answered with an error, or did not answer in
    // time: the caller falls back to another way (the tray balloon). Carries
    // what could not be shown.
    void failed(const QString& summary, const QString& body, const QString& payload);

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotificationClosed(uint id, uint reason);

private:
    struct Shown
    {
        QString summary, body, payload;
    };
    struct Channel
    {
        uint lastId = 0;
        bool waiting = false; // a call is out and not answered yet
        bool hasNext = false;
        Shown next;
    };

    void Send(const QString& channel, const Shown& shown);
    void OnReply(QDBusPendingCallWatcher* watcher, const QString& channel, const Shown& shown);
    void Fail(const QString& kind, const QString& detail, const Shown& shown);

    QDBusConnection bus_;
    int replyTimeoutMs_ = kReplyTimeoutMs;
    QHash<uint, QString> payloads_; // id → payload of our notifications still shown
    QHash<QString, Channel> channels_;
    QSet<QString> loggedFailures_;   // kinds of failure logged once already
};
