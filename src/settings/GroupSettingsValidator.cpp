#include "GroupSettingsValidator.h"

#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "core/RecordField.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTree.h"

#include <algorithm>
#include <filesystem>
#include <pwd.h>

namespace {

using Field = GroupSettingsValidator::Field;
using Problem = GroupSettingsValidator::Problem;
using Refusal = GroupSettingsValidator::Refusal;

constexpr char kHomeMark = '~';
constexpr char kPathSeparator = '/';
constexpr char kDatagramSeparator = ':';

// The folder must come back from CP932 exactly; names only need a CP932 form.
template <size_t N>
Refusal Fit(Field field, const std::string& utf8, char (&cp932Field)[N], bool exact = false)
{
    if (exact ? !Cp932Codec::RoundTrips(utf8) : !Cp932Codec::IsRepresentable(utf8))
        return {field, Problem::Unusable};
    const std::string cp932 = Cp932Codec::FromUtf8(utf8);
    if (cp932.size() >= N)
        return {field, Problem::TooLong, cp932.size()};
    RecordField::Set(cp932Field, cp932);
    return {};
}

std::optional<std::string> HomeOf(std::string_view user)
{
    if (user.empty()) {
        std::string home = HostIdentity::HomeFolder();
        return home.empty() ? std::nullopt : std::optional(home);
    }
    const passwd* entry = ::getpwnam(std::string(user).c_str());
    if (entry == nullptr || entry->pw_dir == nullptr)
        return std::nullopt;
    return std::string(entry->pw_dir);
}

} // namespace

std::optional<std::string> GroupSettingsValidator::AbsoluteFolder(std::string_view folder)
{
    std::string path(folder);
    if (!folder.empty() && folder[0] == kHomeMark) {
        const size_t slash = std::min(folder.find(kPathSeparator), folder.size());
        const std::optional<std::string> home = HomeOf(folder.substr(1, slash - 1));
        if (!home)
            return std::nullopt;
        path = *home + std::string(folder.substr(slash));
    }
    std::error_code failure;
    path = std::filesystem::absolute(path, failure).lexically_normal().string();
    if (failure || path.empty())
        return std::nullopt;
    if (path.back() != kPathSeparator)
        path += kPathSeparator;
    return path;
}

Refusal GroupSettingsValidator::CheckGroupName(std::string_view groupName)
{
    // The name is a key path below the root: each of its keys is looked at,
    // in CP932, where 0x5C may also be the second byte of a character.
    const SettingsTree::Path keys = SettingsTree::SplitPath(Cp932Codec::FromUtf8(groupName));
    if (keys.empty())
        return {Field::GroupName, Problem::Empty};
    if (std::any_of(keys.begin(), keys.end(), SettingsStore::IsReservedKeyName))
        return {Field::GroupName, Problem::Reserved};
    GroupSettings fits;
    return Fit(Field::GroupName, std::string(groupName), fits.groupName);
}

Refusal GroupSettingsValidator::Check(Values& values, GroupSettings& settings)
{
    GroupSettings checked = settings;
    if (Refusal refused = Fit(Field::UserName, values.userName, checked.userName))
        return refused;
    if (values.userName.find(kDatagramSeparator) != std::string::npos)
        return {Field::UserName, Problem::Colon};

    if (!values.port)
        return {Field::Port, Problem::NotNumber};
    if (*values.port < GroupSettings::kMinPort || *values.port > GroupSettings::kMaxPort)
        return {Field::Port, Problem::OutOfRange};
    checked.portNumber = static_cast<int32_t>(*values.port);

    if (Refusal refused = CheckGroupName(values.groupName))
        return refused;
    RecordField::Set(checked.groupName, Cp932Codec::FromUtf8(values.groupName));

    if (values.messageFolder.empty())
        return {Field::MessageFolder, Problem::Empty};
    const std::optional<std::string> folder = AbsoluteFolder(values.messageFolder);
    if (!folder)
        return {Field::MessageFolder, Problem::NoHome};
    values.messageFolder = *folder;
    if (Refusal refused = Fit(Field::MessageFolder, values.messageFolder, checked.messageFolder, true))
        return refused;

    settings = checked;
    return {};
}
