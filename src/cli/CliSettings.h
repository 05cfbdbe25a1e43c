#pragma once

#include "settings/SettingsRecords.h"

#include <string>

// The stored settings of the current group, read only when first needed.
class CliSettings
{
public:
    // A file-system path ending in '/'; empty when no folder is stored.
    std::string MessageFolder();
    // CP932; empty when none is stored.
    std::string UserName();

private:
    const GroupSettings& Stored();

    GroupSettings stored_;
    bool read_ = false;
};
