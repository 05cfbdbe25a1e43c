#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// While it lives, SIGINT and SIGTERM call onStop from the event loop instead
// of ending the process, so that a command can finish its output.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static void Handler(int signalNumber);

    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
