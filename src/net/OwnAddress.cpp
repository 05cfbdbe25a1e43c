#include "net/OwnAddress.h"

#include <QNetworkInterface>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <thread>

namespace {

// A host name that does not resolve locally can keep the resolver waiting
// for DNS for many seconds; start-up must not wait that long.
constexpr std::chrono::milliseconds kLookupLimit{1000};
constexpr uint32_t kLoopbackNet = 127;

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

// The first IPv4 address outside 127/8, or empty.
std::string Resolve(const std::string& hostName)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostName.c_str(), nullptr, &hints, &found) != 0)
        return {};
    std::string address;
    for (const addrinfo* entry = found; entry != nullptr && address.empty(); entry = entry->ai_next) {
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (entry->ai_family != AF_INET || (ntohl(ipv4->sin_addr.s_addr) >> 24) == kLoopbackNet)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr)
            address = text;
    }
    ::freeaddrinfo(found);
    return address;
}

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
        std::string address = Resolve(hostName);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->address = std::move(address);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->mutex);
    lookup->done.wait_for(lock, kLookupLimit, [&] { return lookup->finished; });
    return lookup->address;
}
