#include "net/OwnAddress.h"

#include "net/HostLookup.h"

#include <QNetworkInterface>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// A host name that does not resolve locally can keep the resolver waiting
// for DNS for many seconds; start-up must not wait that long.
constexpr std::chrono::milliseconds kLookupLimit{1000};

std::string FromInterfaces()
{
    constexpr auto kWanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if ((flags & kWanted) != kWanted || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                return address.toString().toStdString();
        }
    }
    return {};
}

struct Lookup
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::string address;
};

} // namespace

std::string OwnAddress::Find(const std::string& hostName)
{
    if (std::string address = FromInterfaces(); !address.empty())
        return address;
    return LookUp(hostName);
}

// The resolver cannot be interrupted, so it runs on a thread of its own that
// is left behind when it takes too long.
std::string OwnAddress::LookUp(const std::string& hostName)
{
    if (hostName.empty())
        return {};
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, hostName] {
        std::string address = HostLookup::Resolve(hostName, true);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->address = std::move(address);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->mutex);
    lookup->done.wait_for(lock, kLookupLimit, [&] { return lookup->finished; });
    return lookup->address;
}
