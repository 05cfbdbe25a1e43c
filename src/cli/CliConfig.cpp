#include "CliConfig.h"
#include "core/RecordField.h"

#include "CliCommands.h"
#include "CliText.h"
#include "CliUsage.h"
#include "core/Cp932Codec.h"
#include "net/PeerRecord.h"
#include "settings/ExtraTargets.h"
#include "settings/GroupSettingsValidator.h"
#include "settings/SettingsStore.h"

#include <ostream>

namespace {

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

    const bool changes =
        request.group || !request.folder.empty() || request.user || request.port || request.popup || request.targets;
    if (!changes) {
        if (!stored)
            err_ << CliUsage::kProgramName << ": no settings are stored yet; these are the defaults\n";
        Print(settings, store.ReadExtraTargets(RecordField::Text(settings.groupName)));
        return CliCommands::kExitSuccess;
    }
    if (!Apply(request, store, settings))
        return CliCommands::kExitUsage;
    std::vector<std::string> targets;
    if (request.targets) {
        if (const ExtraTargets::Refusal refusal = ExtraTargets::Parse(*request.targets, targets)) {
            Refuse(Explain(refusal));
            return CliCommands::kExitUsage;
        }
    }

    // The store reports nothing; a failed save leaves the old values behind.
    store.WriteGroupSettings(settings);
    if (request.targets)
        store.WriteExtraTargets(RecordField::Text(settings.groupName), targets);
    GroupSettings written;
    if (store.ReadGroupSettings(written) != SettingsStore::kRead || !SameSettings(written, settings) ||
        (request.targets && store.ReadExtraTargets(RecordField::Text(settings.groupName)) != targets)) {
        err_ << CliUsage::kProgramName << ": cannot write the settings file\n";
        return CliCommands::kExitFailure;
    }
    return CliCommands::kExitSuccess;
}

void CliConfig::Print(const GroupSettings& settings, const std::vector<std::string>& targets)
{
    const std::pair<const char*, std::string> lines[] = {
        {"group", std::string(RecordField::Text(settings.groupName))},
        {"folder", std::string(RecordField::Text(settings.messageFolder))},
        {"user", std::string(RecordField::Text(settings.userName))},
    };
    for (const auto& [name, value] : lines)
        out_ << name << ": " << CliText::EscapeField(CliText::ToTerminal(value), CliText::Backslashes::Keep) << '\n';
    out_ << "port: " << settings.portNumber << '\n' << "popup: " << settings.popupOnReceipt << '\n';
    out_ << "targets: " << ExtraTargets::Join(targets) << '\n';
}

bool CliConfig::Apply(const CliRequest& request, SettingsStore& store, GroupSettings& settings)
{
    if (request.group) {
        if (const GroupSettingsValidator::Refusal refusal = GroupSettingsValidator::CheckGroupName(*request.group))
            return Refuse(Explain(refusal, *request.group));
        // A group that exists keeps its own values; a new one starts from the current group's.
        RecordField::Set(settings.groupName, Cp932Codec::FromUtf8(*request.group));
        store.ReadNamedGroup(RecordField::Text(settings.groupName), settings);
    }
    GroupSettingsValidator::Values values{
        request.user ? *request.user : CliText::ToTerminal(RecordField::Text(settings.userName)),
        CliText::ToTerminal(RecordField::Text(settings.groupName)),
        !request.folder.empty() ? request.folder : CliText::ToTerminal(RecordField::Text(settings.messageFolder)),
        request.port ? *request.port : settings.portNumber};
    if (request.popup)
        settings.popupOnReceipt = *request.popup;
    const GroupSettingsValidator::Refusal refusal = GroupSettingsValidator::Check(values, settings);
    if (!refusal)
        return true;
    // In the order of GroupSettingsValidator::Field.
    const std::string refused[] = {values.userName, std::to_string(*values.port), values.groupName,
                                   values.messageFolder};
    return Refuse(Explain(refusal, refused[static_cast<int>(refusal.field)]));
}

std::string CliConfig::Explain(const GroupSettingsValidator::Refusal& refusal, const std::string& value)
{
    using Field = GroupSettingsValidator::Field;
    using Problem = GroupSettingsValidator::Problem;
    static constexpr const char* kNames[] = {"user name", "port", "group name", "folder"}; // in Field order
    const std::string what = kNames[static_cast<int>(refusal.field)];
    switch (refusal.problem) {
    case Problem::Empty:
        return refusal.field == Field::MessageFolder ? "no message file folder is set: give --folder DIR"
                                                     : "the group name must not be empty";
    case Problem::TooLong: {
        const size_t fieldSize = refusal.field == Field::MessageFolder ? GroupSettings::kMessageFolderSize
                                                                       : GroupSettings::kUserNameSize;
        return "the " + what + " takes " + std::to_string(refusal.bytes) + " bytes in Shift_JIS (CP932); at most " +
               std::to_string(fieldSize - 1) + " fit";
    }
    case Problem::Unusable:
        return "the " + what + " '" + value + "' holds characters that Shift_JIS (CP932) cannot hold" +
               (refusal.field == Field::MessageFolder ? " or would change" : "");
    case Problem::Colon:
        return "the user name '" + value + "' holds ':', which separates the fields of the datagrams";
    case Problem::Reserved:
        return "'" + value + "' holds other settings and cannot name a group";
    case Problem::NoHome:
        return "cannot make the folder '" + value + "' absolute: its '~' names no home folder";
    case Problem::NotNumber:
    case Problem::OutOfRange:
        return "the port must be a whole number from " + std::to_string(GroupSettings::kMinPort) + " to " +
               std::to_string(GroupSettings::kMaxPort) + ", not " + value;
    case Problem::None:
        break;
    }
    return what;
}

std::string CliConfig::Explain(const ExtraTargets::Refusal& refusal)
{
    switch (refusal.problem) {
    case ExtraTargets::Problem::NotIPv4:
        return "the destination '" + refusal.entry + "' is not an IPv4 address";
    case ExtraTargets::Problem::TooLong:
        return "the host name '" + refusal.entry.substr(0, 40) + "...' is longer than " +
               std::to_string(ExtraTargets::kMaxNameLength) + " characters";
    case ExtraTargets::Problem::BadName:
        return "the host name '" + refusal.entry + "' holds characters a host name cannot have";
    case ExtraTargets::Problem::TooMany:
        return "at most " + std::to_string(ExtraTargets::kMaxEntries) + " destinations";
    case ExtraTargets::Problem::None:
        break;
    }
    return {};
}

bool CliConfig::Refuse(const std::string& text)
{
    err_ << CliUsage::kProgramName << ": config: " << text << '\n';
    return false;
}
