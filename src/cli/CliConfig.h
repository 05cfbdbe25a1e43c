#pragma once

#include "CliRequest.h"
#include "settings/ExtraTargets.h"
#include "settings/GroupSettingsValidator.h"
#include "settings/SettingsRecords.h"

class SettingsStore;

#include <iosfwd>
#include <string>
#include <vector>

// The config command: shows or changes the settings of the current group, with
// the checks the settings window makes.
class CliConfig
{
public:
    CliConfig(std::ostream& out, std::ostream& err);

    // An exit status: 0, or 2 when a value is refused (nothing is written).
    int Run(const CliRequest& request);

private:
    void Print(const GroupSettings& settings, const std::vector<std::string>& targets);
    bool Apply(const CliRequest& request, SettingsStore& store, GroupSettings& settings);
    static std::string Explain(const GroupSettingsValidator::Refusal& refusal, const std::string& value);
    static std::string Explain(const ExtraTargets::Refusal& refusal);
    bool Refuse(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
};
