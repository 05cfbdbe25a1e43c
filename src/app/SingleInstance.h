#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One resident program per user and settings folder. The name lives in the
// abstract socket namespace, which belongs to the network namespace, so
// programs in separate network namespaces do not see each other.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);

    // True when another program answered and was asked to show its window.
    bool NotifyRunning();
    // Starts answering later starts. False if that is impossible.
    bool Listen();

    static QString KeyFor(const QString& settingsFolder);

signals:
    void showRequested();

private:
    QString name_;
    QLocalServer* server_ = nullptr;
};
