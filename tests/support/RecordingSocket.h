#pragma once

#include "net/CBoardSocket.h"

#include <string>
#include <vector>

// Stands in for the network: remembers what would have been sent.
class RecordingSocket : public CBoardSocket
{
public:
    RecordingSocket() : CBoardSocket([](const char*, size_t) {}) {}
    bool Open(int32_t port, bool, uint16_t) override
    {
        openedPorts.push_back(port);
        return open = !refuseOpen;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    int SendText(std::string_view text, std::string_view target, std::string_view) override
    {
        sent.push_back(std::string(target) + "|" + std::string(text));
        return static_cast<int>(text.size());
    }

    bool refuseOpen = false;
    bool open = false;
    std::vector<int32_t> openedPorts;
    std::vector<std::string> sent; // target|text
};
