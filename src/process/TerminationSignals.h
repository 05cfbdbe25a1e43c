#pragma once

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

// While it lives, the given signals call onSignal from the event loop instead
// of ending the process, so that the program can end in its own way. One at
// a time per process.
class TerminationSignals
{
public:
    TerminationSignals(std::vector<int> signalNumbers, std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static void Handler(int signalNumber);
    void SetHandler(void (*handler)(int)) const;

    std::vector<int> signalNumbers_;
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
