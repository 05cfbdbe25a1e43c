#include "HostIdentity.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

// Cut at a character boundary, so that a long non-ASCII name does not end in
// half a character.
std::string CutToLimit(std::string name)
{
    if (name.size() <= HostIdentity::kMaxNameBytes)
        return name;
    size_t size = HostIdentity::kMaxNameBytes;
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80)
        --size;
    name.resize(size);
    return name;
}

} // namespace

std::string HostIdentity::HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return CutToLimit(name);
}

std::string HostIdentity::LoginName()
{
    if (struct passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name != nullptr)
        return CutToLimit(pw->pw_name);
    if (const char* user = std::getenv("USER"); user != nullptr)
        return CutToLimit(user);
    return {};
}

std::string HostIdentity::HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}
