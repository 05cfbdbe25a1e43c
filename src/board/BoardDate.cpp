#include "BoardDate.h"

#include <ctime>

namespace {

constexpr size_t kDigits = 14;
constexpr size_t kBufferSize = 32;
constexpr int kFirstYear = 1900;

std::string Format(const std::tm& when)
{
    char text[kBufferSize] = {};
    const size_t length = std::strftime(text, sizeof text, BoardDate::kFormat, &when);
    return length == kDigits ? std::string(text, length) : std::string();
}

// The digits at [pos, pos + count) as a number.
int Field(const std::string& date, size_t pos, size_t count)
{
    return std::stoi(date.substr(pos, count));
}

} // namespace

// The fields are counted on as if they were universal time: a calendar
// without summer time, so that no local second is skipped or repeated.
std::string BoardDate::NextSecond(const std::string& date)
{
    if (date.size() != kDigits || date.find_first_not_of("0123456789") != std::string::npos)
        return {};
    std::tm when{};
    when.tm_year = Field(date, 0, 4) - kFirstYear;
    when.tm_mon = Field(date, 4, 2) - 1;
    when.tm_mday = Field(date, 6, 2);
    when.tm_hour = Field(date, 8, 2);
    when.tm_min = Field(date, 10, 2);
    when.tm_sec = Field(date, 12, 2) + 1;
    const std::time_t next = ::timegm(&when);
    std::tm normalised{};
    if (::gmtime_r(&next, &normalised) == nullptr)
        return {};
    return Format(normalised);
}
