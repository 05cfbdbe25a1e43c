#pragma once

#include "board/MessageReporter.h"

#include <string>
#include <vector>

class RecordingReporter : public MessageReporter
{
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};
