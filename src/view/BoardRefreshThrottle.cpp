#include "view/BoardRefreshThrottle.h"

#include <algorithm>

BoardRefreshThrottle::BoardRefreshThrottle(Reload reload, QObject* parent)
    : QObject(parent), reload_(std::move(reload))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { RunNow(pendingNumber_); });
}

std::chrono::milliseconds BoardRefreshThrottle::QuietTime() const
{
    return std::max(kMinimumQuiet, lastCost_ * kQuietPerReloadCost);
}

bool BoardRefreshThrottle::Request(int32_t number)
{
    pendingNumber_ = number;
    if (timer_.isActive())
        return false;
    const std::chrono::milliseconds since{sinceLast_.isValid() ? sinceLast_.elapsed() : QuietTime().count()};
    if (since >= QuietTime()) {
        RunNow(number);
        return true;
    }
    timer_.start(QuietTime() - since);
    return false;
}

void BoardRefreshThrottle::Covered() { timer_.stop(); }

void BoardRefreshThrottle::RunNow(int32_t number)
{
    timer_.stop();
    lastCost_ = reload_(number);
    sinceLast_.start();
}
