#include "CliInput.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr size_t kChunk = 64 * 1024;

} // namespace

Status CliInput::ReadAll(int fd, size_t maxBytes, std::string& out)
{
    out.clear();
    for (;;) {
        const size_t used = out.size();
        // One byte beyond the limit tells a long input from one that just fits.
        out.resize(used + std::min(kChunk, maxBytes + 1 - used));
        const ssize_t got = ::read(fd, out.data() + used, out.size() - used);
        if (got < 0 && errno == EINTR) {
            out.resize(used);
            continue;
        }
        if (got < 0) {
            out.clear();
            return {LastSystemError(), {}};
        }
        out.resize(used + static_cast<size_t>(got));
        if (out.size() > maxBytes) {
            out.clear();
            return {QuorlError::TooLong, {}};
        }
        if (got == 0)
            return {};
    }
}
