#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QLocalServer;

// One resident program per user and settings folder. The name lives in the
// abstract socket namespace, which belongs to the network namespace, so
// programs in separate network namespaces do not see each other.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The port the running program listens on; 0 while it has none open.
    using PortSource = std::function<int32_t()>;

    explicit SingleInstance(const QString& key, QObject* parent = nullptr);

    // Asks a running program to show its window. Its port (0 when it did not
    // tell one), or nothing when no program answered.
    std::optional<int32_t> NotifyRunning();
    // Starts answering later starts. False if that is impossible.
    bool Listen(PortSource port);

    static QString KeyFor(const QString& settingsFolder);

signals:
    void showRequested();

private:
    QString name_;
    QLocalServer* server_ = nullptr;
};
