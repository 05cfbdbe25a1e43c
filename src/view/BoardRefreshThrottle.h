#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>

// Keeps board-change notices from other members from reloading the title list
// once per datagram. The first notice reloads at once; notices that arrive
// within a quiet time after a reload are folded into one reload at its end,
// which selects the number announced last. The quiet time grows with what a
// reload costs, so a flood of notices keeps the program responsive.
class BoardRefreshThrottle : public QObject
{
    Q_OBJECT

public:
    // Runs one reload selecting that number (0: none) and returns its cost.
    using Reload = std::function<std::chrono::milliseconds(int32_t number)>;

    static constexpr std::chrono::milliseconds kMinimumQuiet{250};
    static constexpr int kQuietPerReloadCost = 4;

    explicit BoardRefreshThrottle(Reload reload, QObject* parent = nullptr);

    // True when it reloaded now, false when the reload was put off.
    bool Request(int32_t number);
    // A reload made for another reason (the member's own change, the
    // settings) has read the board: a put-off reload is no longer needed.
    void Covered();

    bool Pending() const { return timer_.isActive(); }
    std::chrono::milliseconds QuietTime() const;

private:
    void RunNow(int32_t number);

    Reload reload_;
    QTimer timer_;
    QElapsedTimer sinceLast_;
    std::chrono::milliseconds lastCost_{0};
    int32_t pendingNumber_ = 0;
};
