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
    CliConfig(std::ostream& out, std::ostream& err);

    // An exit status: 0, or 2 when a value is refused (nothing is written).
    int Run(const CliRequest& request);

private:
    void Print(const GroupSettings& settings);
    bool Apply(const CliRequest& request, SettingsStore& store, GroupSettings& settings);
    bool SetText(const std::string& utf8, const char* what, char* field, size_t fieldSize);
    bool Refuse(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
};
