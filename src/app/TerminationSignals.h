#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP turned into a signal on the event loop, so
// they end the program as its Exit command does.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    static void Handler(int signalNumber);

    QSocketNotifier* notifier_ = nullptr;
};
