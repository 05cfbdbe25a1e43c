#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

// A board written directly, as programs that did not keep the dates of one
// computer's messages apart could leave it: messages numbered from 1 with the
// given host names and dates, each with attachments.
inline std::string BoardXml(const std::vector<std::pair<std::string, std::string>>& hostsAndDates)
{
    std::string board = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root number=\"" +
                        std::to_string(hostsAndDates.size()) + "\">";
    int number = 0;
    for (const auto& [host, date] : hostsAndDates) {
        board += "<message date=\"" + date + "\" hostname=\"" + host + "\" priority=\"2\" attach=\"1\" number=\"" +
                 std::to_string(++number) + "\"><title>t</title><name>n</name><contents>c</contents></message>\n";
    }
    return board + "</root>\n";
}

// Board dates of the local seconds from `from` to `to` seconds from now.
inline std::vector<std::string> DatesAroundNow(int from, int to)
{
    std::vector<std::string> dates;
    for (int offset = from; offset <= to; ++offset) {
        const std::time_t when = std::time(nullptr) + offset;
        std::tm local{};
        localtime_r(&when, &local);
        char text[32] = {};
        std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
        dates.emplace_back(text);
    }
    return dates;
}
