#include "core/FileCreation.h"

#include <csignal>
#include <sys/stat.h>

namespace {

constexpr mode_t kNewFileBits = 0666;
// The usual umask, for a process whose main() did not call Init.
mode_t gUmask = 022;

} // namespace

void FileCreation::Init()
{
    gUmask = ::umask(0);
    ::umask(gUmask);
    std::signal(SIGXFSZ, SIG_IGN);
}

mode_t FileCreation::Umask()
{
    return gUmask;
}

mode_t FileCreation::NewFileMode()
{
    return kNewFileBits & ~gUmask;
}
