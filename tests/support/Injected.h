#pragma once

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Faults the code must survive: another user, a file size limit.
namespace Injected {

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as user and group `id`, in the extra
// groups given, and returns its exit status (-1 when it did not exit).
template <typename Body> int AsUser(uid_t id, Body body, const std::vector<gid_t>& groups = {})
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = -1;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What `body` returns when it runs with writes past `bytes` failing.
template <typename Body> auto UnderFileSizeLimit(rlim_t bytes, Body body)
{
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const struct rlimit tiny = {bytes, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    auto result = body();
    ::setrlimit(RLIMIT_FSIZE, &old);
    return result;
}

} // namespace Injected
