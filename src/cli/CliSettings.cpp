#include "CliSettings.h"
#include "core/RecordField.h"

#include "core/Cp932Codec.h"
#include "settings/SettingsStore.h"

#include <cstring>

namespace {

} // namespace

const GroupSettings& CliSettings::Stored()
{
    if (!read_) {
        read_ = true;
        SettingsStore store;
        if (store.ReadGroupSettings(stored_) != SettingsStore::kRead)
            stored_ = GroupSettings();
    }
    return stored_;
}

std::string CliSettings::MessageFolder()
{
    return Cp932Codec::ToUtf8(std::string(RecordField::Text(Stored().messageFolder)));
}

std::string CliSettings::UserName()
{
    return std::string(RecordField::Text(Stored().userName));
}

int32_t CliSettings::Port()
{
    return Stored().portNumber;
}
