#include "process/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read on the event loop: the only thing a signal
// handler may safely do is write a byte.
int gPipe[2] = {-1, -1};

} // namespace

void TerminationSignals::Handler(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const ssize_t ignored = ::write(gPipe[1], &byte, 1);
    (void)ignored;
}

void TerminationSignals::SetHandler(void (*handler)(int)) const
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers_)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::TerminationSignals(std::vector<int> signalNumbers, std::function<void()> onSignal)
    : signalNumbers_(std::move(signalNumbers)), onSignal_(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (::read(gPipe[0], &byte, 1) == 1) {
        }
        if (onSignal_)
            onSignal_();
    });
    SetHandler(&TerminationSignals::Handler);
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier_)
        return;
    SetHandler(SIG_DFL);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}
