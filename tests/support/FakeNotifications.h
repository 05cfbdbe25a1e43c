#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QVariantMap>

#include <string>
#include <vector>

// A notification service as desktops run it: ids count up, and a
// notification replacing another keeps the other's id.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    static inline const QString kService = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

    struct Call
    {
        QString summary, body;
        uint replacesId;
        QStringList actions;
        QVariantMap hints;
        uint id;
    };
    std::vector<Call> calls;
    QString hangOn; // takes calls with this summary and never answers them

    bool Register(QDBusConnection bus)
    {
        return bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots) && bus.registerService(kService);
    }
    static void Unregister(QDBusConnection bus)
    {
        bus.unregisterService(kService);
        bus.unregisterObject(kPath);
    }
    void Emit(const QDBusConnection& bus, const char* name, uint id, const QVariant& second) const
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, QString::fromLatin1(name));
        signal << id << second;
        bus.send(signal);
    }
    // Waits until the service has taken `count` calls in all.
    bool WaitForCalls(size_t count) { return QTest::qWaitFor([&] { return calls.size() >= count; }); }

public slots:
    Q_SCRIPTABLE uint Notify(const QString&, uint replacesId, const QString&, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints, int,
                             const QDBusMessage& message)
    {
        const uint id = replacesId != 0 ? replacesId : nextId_++;
        calls.push_back({summary, body, replacesId, actions, hints, id});
        if (!hangOn.isEmpty() && summary == hangOn)
            message.setDelayedReply(true);
        return id;
    }

private:
    uint nextId_ = 41;
};

// A private bus of the test program's own, started at the first use and
// stopped at exit; connections to it are named.
class PrivateBus
{
public:
    // Empty, with the reason in problem, when no bus could be started.
    static QString Address(std::string* problem = nullptr)
    {
        static PrivateBus bus;
        if (problem != nullptr)
            *problem = bus.problem_;
        return bus.address_;
    }
    static QDBusConnection Connect(const QString& name) { return QDBusConnection::connectToBus(Address(), name); }

private:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!daemon_.waitForStarted(5000)) {
            problem_ = "dbus-daemon did not start (Debian package dbus-daemon): " + daemon_.errorString().toStdString();
            return;
        }
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {}
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        if (address_.isEmpty())
            problem_ = "dbus-daemon printed no address: " + daemon_.readAllStandardError().toStdString();
    }
    ~PrivateBus()
    {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }

    QProcess daemon_;
    QString address_;
    std::string problem_;
};
