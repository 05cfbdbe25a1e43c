#include "ui/DesktopNotifier.h"

#include "ui/AppLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : DesktopNotifier(QDBusConnection::sessionBus(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus)
{
    if (!bus_.isConnected())
        return;
    // No sender named: a service that starts (or restarts) later still reaches us.
    bus_.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnNotificationClosed(uint, uint)));
}

void DesktopNotifier::Notify(const QString& channel, const QString& summary, const QString& body,
                             const QString& payload)
{
    const Shown shown{summary, body, payload};
    Channel& c = channels_[channel];
    if (c.waiting) {
        c.next = shown;
        c.hasNext = true;
        return;
    }
    Send(channel, shown);
}

void DesktopNotifier::Send(const QString& channel, const Shown& shown)
{
    if (!bus_.isConnected()) {
        Fail(QStringLiteral("no bus"), bus_.lastError().message(), shown);
        return;
    }
    Channel& c = channels_[channel];
    QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("quorlboard")}};
    if (channel == QLatin1String("message"))
        hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("QuorlBoard") << c.lastId << QStringLiteral("quorlboard") << shown.summary << shown.body
         << QStringList{QStringLiteral("default"), QStringLiteral("開く")} << hints << -1;
    c.waiting = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, replyTimeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, channel, shown](QDBusPendingCallWatcher* w) { OnReply(w, channel, shown); });
}

void DesktopNotifier::OnReply(QDBusPendingCallWatcher* watcher, const QString& channel, const Shown& shown)
{
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    Channel& c = channels_[channel];
    c.waiting = false;
    if (reply.isError()) {
        Fail(reply.error().name(), reply.error().message(), shown);
    } else {
        // The service keeps the id of a notification it replaces; ids are
        // forgotten when the service tells they are closed.
        c.lastId = reply.value();
        payloads_.insert(c.lastId, shown.payload);
    }
    if (c.hasNext) {
        c.hasNext = false;
        Send(channel, c.next);
    }
}

void DesktopNotifier::Fail(const QString& kind, const QString& detail, const Shown& shown)
{
    if (!loggedFailures_.contains(kind)) {
        loggedFailures_.insert(kind);
        qCWarning(lcNotify).noquote() << "desktop notification failed:" << kind << detail;
    }
    // Queued for the no-bus case, so that `failed` never comes from inside Notify.
    QMetaObject::invokeMethod(
        this, [this, shown] { emit failed(shown.summary, shown.body, shown.payload); }, Qt::QueuedConnection);
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& /*actionKey*/)
{
    const auto it = payloads_.constFind(id);
    if (it != payloads_.constEnd())
        emit actionInvoked(*it);
}

void DesktopNotifier::OnNotificationClosed(uint id, uint /*reason*/)
{
    if (payloads_.remove(id) == 0)
        return;
    for (Channel& c : channels_)
        if (c.lastId == id)
            c.lastId = 0;
}
