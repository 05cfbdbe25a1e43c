#pragma once

#include "board/MessageReporter.h"

#include <iosfwd>

// Reports the board store's failures as lines on a stream (standard error).
class StreamReporter : public MessageReporter
{
public:
    explicit StreamReporter(std::ostream& out) : out_(out) {}
    void ShowMessage(std::string_view text) override;

private:
    std::ostream& out_;
};
