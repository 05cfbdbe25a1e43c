#include "CliConfig.h"
#include "core/RecordField.h"

#include "CliCommands.h"
#include "CliText.h"
#include "CliUsage.h"
#include "core/Cp932Codec.h"
#include "net/PeerRecord.h"
#include "settings/SettingsStore.h"

#include <cstring>
#include <filesystem>
#include <ostream>

namespace {

constexpr char kPathSeparator = '/';

bool SameSettings(const GroupSettings& a, const GroupSettings& b)
{
    return RecordField::Text(a.groupName) == RecordField::Text(b.groupName) && RecordField::Text(a.userName) == RecordField::Text(b.userName) &&
           RecordField::Text(a.messageFolder) == RecordField::Text(b.messageFolder) && a.portNumber == b.portNumber &&
           a.popupOnReceipt == b.popupOnReceipt;
}

} // namespace

CliConfig::CliConfig(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

int CliConfig::Run(const CliRequest& request)
{
    SettingsStore store;
    GroupSettings settings;
    const bool stored = store.ReadGroupSettings(settings) == SettingsStore::kRead;
    if (!stored)
        settings = SettingsStore::FirstRunSettings();

    const bool changes = request.group || !request.folder.empty() || request.user || request.port || request.popup;
    if (!changes) {
        if (!stored)
            err_ << CliUsage::kProgramName << ": no settings are stored yet; these are the defaults\n";
        Print(settings);
        return CliCommands::kExitSuccess;
    }
    if (!Apply(request, store, settings))
        return CliCommands::kExitUsage;

    // The store reports nothing; a failed save leaves the old values behind.
    store.WriteGroupSettings(settings);
    GroupSettings written;
    if (store.ReadGroupSettings(written) != SettingsStore::kRead || !SameSettings(written, settings)) {
        err_ << CliUsage::kProgramName << ": cannot write the settings file\n";
        return CliCommands::kExitFailure;
    }
    return CliCommands::kExitSuccess;
}

void CliConfig::Print(const GroupSettings& settings)
{
    const std::pair<const char*, std::string> lines[] = {
        {"group", std::string(RecordField::Text(settings.groupName))},
        {"folder", std::string(RecordField::Text(settings.messageFolder))},
        {"user", std::string(RecordField::Text(settings.userName))},
    };
    for (const auto& [name, value] : lines)
        out_ << name << ": " << CliText::EscapeField(CliText::ToTerminal(value)) << '\n';
    out_ << "port: " << settings.portNumber << '\n' << "popup: " << settings.popupOnReceipt << '\n';
}

bool CliConfig::Apply(const CliRequest& request, SettingsStore& store, GroupSettings& settings)
{
    if (request.group) {
        if (request.group->empty())
            return Refuse("the group name must not be empty");
        if (SettingsStore::IsReservedKeyName(*request.group))
            return Refuse("'" + *request.group + "' holds other settings and cannot name a group");
        if (!SetText(*request.group, "group name", settings.groupName, sizeof settings.groupName))
            return false;
        // A group that exists keeps its own values; a new one starts from the current group's.
        store.ReadNamedGroup(RecordField::Text(settings.groupName), settings);
    }
    if (request.user && !SetText(*request.user, "user name", settings.userName, sizeof settings.userName))
        return false;
    if (!request.folder.empty()) {
        // The program runs from anywhere: a relative folder would mean nothing to it.
        std::error_code ec;
        std::string folder = std::filesystem::absolute(request.folder, ec).lexically_normal().string();
        if (ec || folder.empty())
            return Refuse("cannot make the folder '" + request.folder + "' absolute");
        if (folder.back() != kPathSeparator)
            folder += kPathSeparator;
        if (!Cp932Codec::RoundTrips(folder))
            return Refuse("the folder '" + folder + "' holds characters that Shift_JIS (CP932) would change");
        if (!SetText(folder, "folder", settings.messageFolder, sizeof settings.messageFolder))
            return false;
    }
    if (request.port)
        settings.portNumber = *request.port;
    if (request.popup)
        settings.popupOnReceipt = *request.popup;

    if (settings.portNumber < GroupSettings::kMinPort || settings.portNumber > GroupSettings::kMaxPort) {
        return Refuse("the port must be a whole number from " + std::to_string(GroupSettings::kMinPort) + " to " +
                      std::to_string(GroupSettings::kMaxPort) + ", not " + std::to_string(settings.portNumber));
    }
    if (settings.messageFolder[0] == '\0')
        return Refuse("no message file folder is set: give --folder DIR");
    return true;
}

bool CliConfig::SetText(const std::string& utf8, const char* what, char* field, size_t fieldSize)
{
    if (!Cp932Codec::IsRepresentable(utf8))
        return Refuse("the " + std::string(what) + " holds characters that Shift_JIS (CP932) cannot hold");
    const std::string cp932 = Cp932Codec::FromUtf8(utf8);
    if (cp932.size() >= fieldSize) {
        return Refuse("the " + std::string(what) + " takes " + std::to_string(cp932.size()) +
                      " bytes in Shift_JIS (CP932); at most " + std::to_string(fieldSize - 1) + " fit");
    }
    std::memset(field, 0, fieldSize);
    std::memcpy(field, cp932.data(), cp932.size());
    return true;
}

bool CliConfig::Refuse(const std::string& text)
{
    err_ << CliUsage::kProgramName << ": config: " << text << '\n';
    return false;
}
