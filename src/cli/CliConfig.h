#pragma once

#include "CliRequest.h"
#include "settings/SettingsRecords.h"

class SettingsStore;

#include <iosfwd>
#include <string>

// The config command: shows or changes the settings of the current group, with
// the checks the settings window makes.
class CliConfig
{
public:
    static constexpr const char* kDefaultGroup = "グループ１"; // UTF-8
    static constexpr int32_t kDefaultPort = 1500;
    static constexpr int32_t kLowestPort = 1500;
    static constexpr int32_t kHighestPort = 60000;

    CliConfig(std::ostream& out, std::ostream& err);

    // An exit status: 0, or 2 when a value is refused (nothing is written).
    int Run(const CliRequest& request);

    // The settings a first run starts from: group "グループ１", port 1500,
    // the login name, no folder, no pop-up.
    static GroupSettings Defaults();

private:
    void Print(const GroupSettings& settings);
    bool Apply(const CliRequest& request, SettingsStore& store, GroupSettings& settings);
    bool SetText(const std::string& utf8, const char* what, char* field, size_t fieldSize);
    bool Refuse(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
};
