#pragma once

#include <string>

// This computer's address on the office network, as dotted IPv4 text.
class OwnAddress
{
public:
    // The first IPv4 address of an interface that is up, running, not a
    // loopback and able to broadcast; failing that, LookUp(hostName).
    // Empty when there is none.
    static std::string Find(const std::string& hostName);
    // The first IPv4 address the resolver gives for the name outside 127/8,
    // waiting about a second at most; empty when there is none in time.
    static std::string LookUp(const std::string& hostName);
};
