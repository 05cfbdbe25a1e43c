#pragma once

#include "net/CBoardSocket.h"

#include <string>
#include <vector>

// Stands in for the network: remembers what would have been sent.
class RecordingSocket : public CBoardSocket
{
public:
    struct Sent
    {
        std::string text;
        std::string target;
        std::string fallback;
    };

    RecordingSocket() : CBoardSocket([](const char*, size_t) {}) {}

    bool Open(int32_t port, bool, uint16_t) override
    {
        openedPorts.push_back(port);
        open = !refuseOpen;
        return open;
    }
    void Close() override
    {
        open = false;
        ++closeCount;
    }
    bool IsOpen() const override { return open; }
    int SendText(std::string_view text, std::string_view target, std::string_view fallback) override
    {
        sent.push_back({std::string(text), std::string(target), std::string(fallback)});
        return static_cast<int>(text.size());
    }

    bool refuseOpen = false;
    bool open = false;
    int closeCount = 0;
    std::vector<int32_t> openedPorts;
    std::vector<Sent> sent;
};
