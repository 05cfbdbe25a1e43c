#include "net/HostLookup.h"

#include <arpa/inet.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <system_error>
#include <thread>

namespace {

constexpr uint32_t kLoopbackNet = 127;

} // namespace

// What a lookup's thread may touch once it has its answer: the object to
// answer through, or none when that is gone.
struct HostLookup::Link
{
    std::mutex mutex;
    HostLookup* owner = nullptr;
};

HostLookup::HostLookup(QObject* parent) : QObject(parent), link_(std::make_shared<Link>())
{
    link_->owner = this;
}

HostLookup::~HostLookup()
{
    std::lock_guard<std::mutex> lock(link_->mutex);
    link_->owner = nullptr;
}

void HostLookup::Start(const std::string& name, Answer answer)
{
    auto reply = [link = link_, answer](std::string address) {
        // Posted under the lock, so the owner cannot go in between; an event
        // posted to an owner that goes later is dropped with it.
        std::lock_guard<std::mutex> lock(link->mutex);
        if (link->owner != nullptr)
            QMetaObject::invokeMethod(
                link->owner, [answer, address = std::move(address)] { answer(address); }, Qt::QueuedConnection);
    };
    try {
        std::thread([reply, name] { reply(Resolve(name, false)); }).detach();
    } catch (const std::system_error&) {
        reply({}); // no thread to be had: no answer, as from a failed lookup
    }
}

std::string HostLookup::Resolve(const std::string& name, bool skipLoopback)
{
    if (name.empty())
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return {};
    std::string address;
    for (const addrinfo* entry = found; entry != nullptr && address.empty(); entry = entry->ai_next) {
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (entry->ai_family != AF_INET || (skipLoopback && (ntohl(ipv4->sin_addr.s_addr) >> 24) == kLoopbackNet))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr)
            address = text;
    }
    ::freeaddrinfo(found);
    return address;
}
