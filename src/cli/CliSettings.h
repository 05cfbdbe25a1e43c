#pragma once

#include "settings/SettingsRecords.h"

#include <cstdint>
#include <string>

// The stored settings of the current group, read only when first needed.
class CliSettings
{
public:
    // A file-system path ending in '/'; empty when no folder is stored.
    std::string MessageFolder();
    // CP932; empty when none is stored.
    std::string UserName();
    // 0 when none is stored.
    int32_t Port();
    // False, with the reason, when the settings file cannot be read at all.
    static bool Readable(std::string& problem);

private:
    const GroupSettings& Stored();

    GroupSettings stored_;
    bool read_ = false;
};
