#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The store's own files that a program killed while changing the board leaves
// beside it: temporary boards (up to the board's size each) and the working
// files of its lock. Nothing else would ever remove them.
class StoreLeftovers
{
public:
    static constexpr std::chrono::hours kAbandonedAfter{1};

    // Removes those last written more than kAbandonedAfter before
    // serverNowNs, the file server's clock; fresh ones may belong to a program
    // at work. Only the holder of the board's lock file may call this.
    static void Remove(const std::string& boardPath, const std::string& lockPath, int64_t serverNowNs);
};
