#include "settings/ExtraTargets.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kMaxLabelLength = 63;

std::string_view Trimmed(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

bool IsHostName(std::string_view name)
{
    size_t label = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
            continue;
        }
        if (!std::isalnum(c) && c != '-' && c != '_')
            return false;
        if (++label > kMaxLabelLength)
            return false;
    }
    return label > 0 || (!name.empty() && name.back() == '.');
}

ExtraTargets::Problem Check(std::string_view entry)
{
    if (entry.size() > ExtraTargets::kMaxNameLength)
        return ExtraTargets::Problem::TooLong;
    const bool numeric = std::all_of(entry.begin(), entry.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
    });
    // Digits and dots only, or a colon as in IPv6: meant as an address.
    if (numeric || entry.find(':') != std::string_view::npos)
        return ExtraTargets::IsDottedIPv4(entry) ? ExtraTargets::Problem::None : ExtraTargets::Problem::NotIPv4;
    return IsHostName(entry) ? ExtraTargets::Problem::None : ExtraTargets::Problem::BadName;
}

} // namespace

// Names that differ only in case name one host; an address has no case.
bool ExtraTargets::Contains(const std::vector<std::string>& entries, std::string_view entry)
{
    return std::any_of(entries.begin(), entries.end(), [entry](const std::string& listed) {
        return std::equal(listed.begin(), listed.end(), entry.begin(), entry.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    });
}

bool ExtraTargets::IsDottedIPv4(std::string_view text)
{
    int parts = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('.', start), text.size());
        const std::string_view part = text.substr(start, end - start);
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) ||
            std::stoi(std::string(part)) > 255)
            return false;
        ++parts;
        start = end + 1;
    }
    return parts == 4;
}

ExtraTargets::Refusal ExtraTargets::Parse(std::string_view text, std::vector<std::string>& entries)
{
    entries.clear();
    Refusal refusal;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(kSeparator, start), text.size());
        const std::string_view entry = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (entry.empty() || Contains(entries, entry))
            continue; // a destination listed twice would be sent everything twice
        Problem problem = Check(entry);
        if (problem == Problem::None && entries.size() >= kMaxEntries)
            problem = Problem::TooMany;
        if (problem == Problem::None)
            entries.emplace_back(entry);
        else if (!refusal)
            refusal = {problem, std::string(entry)};
    }
    return refusal;
}

std::string ExtraTargets::Join(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text.append(text.empty() ? "" : std::string(1, kSeparator)).append(entry);
    return text;
}

std::string ExtraTargets::Explain(const Refusal& refusal)
{
    switch (refusal.problem) {
    case Problem::NotIPv4:
        return "IPv4 のアドレスではありません: " + refusal.entry;
    case Problem::TooLong:
        return "ホスト名が長すぎます (253 文字まで): " + refusal.entry.substr(0, 40) + "...";
    case Problem::BadName:
        return "ホスト名に使えない文字があります: " + refusal.entry;
    case Problem::TooMany:
        return "送信先は 64 件までです";
    case Problem::None:
        break;
    }
    return {};
}
