#pragma once

#include "board/MessageReporter.h"

#include <iosfwd>
#include <string>

// Reports the board store's failures as lines on a stream (standard error),
// each beginning with the program's name. A failure of the board file names
// it, and says how to make one when there is none.
class StreamReporter : public MessageReporter
{
public:
    explicit StreamReporter(std::ostream& out) : out_(out) {}
    void SetBoard(const std::string& file, const std::string& folder);
    void ShowMessage(std::string_view text) override;

private:
    std::ostream& out_;
    std::string file_;
    std::string folder_;
};
