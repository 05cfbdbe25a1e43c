#pragma once

#include <string>

// This computer's address on the office network, as dotted IPv4 text.
class OwnAddress
{
public:
    // The first IPv4 address of an interface that is up, running, not a
    // loopback and able to broadcast; failing that, a bounded lookup of the
    // host name (never a loopback address). Empty when there is none.
    static std::string Find(const std::string& hostName);
};
