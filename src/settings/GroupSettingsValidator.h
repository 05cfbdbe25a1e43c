#pragma once

#include "settings/SettingsRecords.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The checks that group settings pass before they are stored, the same for
// the settings window and the command-line tool. Values are UTF-8 here, as
// typed; the record holds them in CP932.
class GroupSettingsValidator
{
public:
    enum class Field { UserName, Port, GroupName, MessageFolder };
    enum class Problem {
        None,
        Empty,      // group name, folder
        NotNumber,  // port
        OutOfRange, // port
        TooLong,    // does not fit its record field in CP932
        Unusable,   // a character CP932 lacks; in the folder also one it would change
        Colon,      // user name: ':' separates the fields of every datagram
        Reserved,   // group name: a key name of other settings on its key path
        NoHome,     // folder: "~" or "~name" names no known home folder
    };

    // True when refused.
    struct Refusal
    {
        Field field = Field::UserName;
        Problem problem = Problem::None;
        size_t bytes = 0; // the value's size in CP932, for TooLong

        explicit operator bool() const { return problem != Problem::None; }
    };

    struct Values
    {
        std::string userName;
        std::string groupName;
        std::string messageFolder;   // made absolute and ending in '/' by Check
        std::optional<int64_t> port; // none when not a number
    };

    // Field by field in the order of the enumeration; the first refusal ends
    // the check. When all pass, the record holds the values (its pop-up flag
    // is left alone).
    static Refusal Check(Values& values, GroupSettings& settings);
    static Refusal CheckGroupName(std::string_view groupName);

    // "~" and "~name" expanded, a relative folder taken from the working
    // folder, "." and ".." resolved; ends in '/'. None when the home folder
    // is unknown.
    static std::optional<std::string> AbsoluteFolder(std::string_view folder);
};
