#include "CliSettings.h"
#include "core/RecordField.h"

#include "core/Cp932Codec.h"
#include "settings/FileSettingsBackend.h"
#include "settings/SettingsStore.h"

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

bool CliSettings::Readable(std::string& problem)
{
    FileSettingsBackend& file = SettingsStore::UserBackend();
    if (!file.TooLarge())
        return true;
    problem = "the settings file " + file.path() + " is larger than a settings file can be (" +
              std::to_string(FileSettingsBackend::kMaxFileSize) + " bytes) and was not read; move it away";
    return false;
}
