#include "HostIdentity.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string CutToLimit(std::string name)
{
    if (name.size() > HostIdentity::kMaxNameBytes)
        name.resize(HostIdentity::kMaxNameBytes);
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
