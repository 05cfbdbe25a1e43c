#include "CliSettings.h"

#include "core/Cp932Codec.h"
#include "settings/SettingsStore.h"

#include <cstring>

namespace {

template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, ::strnlen(field, N));
}

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
    return Cp932Codec::ToUtf8(FieldText(Stored().messageFolder));
}

std::string CliSettings::UserName()
{
    return FieldText(Stored().userName);
}

int32_t CliSettings::Port()
{
    return Stored().portNumber;
}
