#pragma once

#include <string>

// Who and where this program runs: the computer's host name and the user's
// login name, each cut to the 63 bytes that the records of the peers hold.
class HostIdentity
{
public:
    static constexpr size_t kMaxNameBytes = 63;

    static std::string HostName();
    static std::string LoginName();
    // $HOME, else the password database's entry; empty when neither is known.
    static std::string HomeFolder();
};
