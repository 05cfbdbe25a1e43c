#pragma once

#include "CliRequest.h"
#include "core/Status.h"
#include "net/Datagram.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

class CliSettings;
class QCoreApplication;

// The tool as a member of the office network: it sends datagrams with this
// computer's identity (host name, address, user name of the settings) to the
// port of the settings, and listens as the program does.
class CliNetwork
{
public:
    CliNetwork(std::ostream& out, std::ostream& err, CliSettings& settings);
    ~CliNetwork();
    CliNetwork(const CliNetwork&) = delete;
    CliNetwork& operator=(const CliNetwork&) = delete;

    // Tell every member that a board message was added or changed, or that
    // one was deleted. False with the reason in error.
    Status AnnounceChanged(int32_t number, const CliRequest& request);
    Status AnnounceDeleted(const CliRequest& request);
    // The exit statuses of the send and listen commands.
    int Send(const CliRequest& request);
    int Listen(const CliRequest& request);

private:
    Status Broadcast(DatagramKind kind, const std::string& text, const CliRequest& request);
    const PeerRecord& Own();
    int32_t Port(const CliRequest& request);
    void StartApplication();
    void Print(const Datagram& datagram);
    int Fail(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
    CliSettings& settings_;
    std::unique_ptr<PeerRecord> own_;
    int argc_ = 1;
    char* argv_[2] = {};
    std::unique_ptr<QCoreApplication> application_;
};
