#pragma once

#include <cstdint>
#include <string>

// One board message. Text fields are CP932 byte strings.
struct BoardMessage
{
    int32_t number = 0;
    std::string title;
    std::string name;
    std::string contents;
    int32_t priority = 0;
    int32_t attach = 0;
    std::string date;     // local time of first writing, "%Y%m%d%H%M%S"
    std::string hostname; // computer on which the message was first written

    bool operator==(const BoardMessage&) const = default;
};

// Priorities in the order used everywhere: file, editor, colours, printing.
enum BoardPriority : int32_t { kPriorityUrgent = 0, kPriorityNotice = 1, kPriorityNormal = 2 };
