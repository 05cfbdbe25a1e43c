#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where a group's broadcasts go besides the own network: directed broadcast
// addresses, single addresses and host names of members on other subnets.
// Kept as one text value of the group's key, the entries separated by commas.
class ExtraTargets
{
public:
    static constexpr size_t kMaxEntries = 64;
    static constexpr size_t kMaxNameLength = 253; // a DNS name
    static constexpr char kSeparator = ',';

    enum class Problem { None, NotIPv4, TooLong, BadName, TooMany };
    struct Refusal
    {
        Problem problem = Problem::None;
        std::string entry;
        explicit operator bool() const { return problem != Problem::None; }
    };

    // Splits text at commas, blanks around entries, empty entries and repeats
    // (names in any case) dropped.
    // The entries that pass are put in entries; the first that does not is
    // returned.
    static Refusal Parse(std::string_view text, std::vector<std::string>& entries);
    static std::string Join(const std::vector<std::string>& entries);
    // Whether entry is listed already, a name in any case.
    static bool Contains(const std::vector<std::string>& entries, std::string_view entry);
    // Four decimal numbers of 0..255 separated by dots.
    static bool IsDottedIPv4(std::string_view text);
    // A refusal as the settings window shows it.
    static std::string Explain(const Refusal& refusal);
};
