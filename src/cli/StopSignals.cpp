#include "StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read on the event loop: the only thing a signal
// handler may safely do is write a byte.
int gPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM};

void SetHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

void StopSignals::Handler(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const ssize_t ignored = ::write(gPipe[1], &byte, 1);
    (void)ignored;
}

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (::read(gPipe[0], &byte, 1) == 1) {
        }
        if (onStop_)
            onStop_();
    });
    SetHandler(&StopSignals::Handler);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    SetHandler(SIG_DFL);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}
