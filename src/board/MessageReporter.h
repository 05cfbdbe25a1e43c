#pragma once

#include <string_view>

// Where the board store tells the user about a failure. The desktop program
// shows a message box, the command-line tool prints to standard error, tests
// record the texts. Texts are UTF-8.
class MessageReporter
{
public:
    virtual ~MessageReporter() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};
