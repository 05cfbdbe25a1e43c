#pragma once

#include <string>

// The date of a board message: 14 digits of local time, "%Y%m%d%H%M%S".
class BoardDate
{
public:
    static constexpr const char* kFormat = "%Y%m%d%H%M%S";

    // The date one second later, carried over into minutes, hours, days,
    // months and years by the calendar. Empty for anything that is not such
    // a date, and past the year 9999.
    static std::string NextSecond(const std::string& date);
};
