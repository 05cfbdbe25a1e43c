#include "SettingsFileFormat.h"

#include "settings/SettingsBackend.h"
#include "settings/SettingsFileText.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view kFirstLine = "; QuorlBoard settings";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kHexPrefix = "hex";
constexpr std::string_view kBlanks = " \t\r";
constexpr char kEmptyValueName = '@';
constexpr char kCommentMark = ';';
constexpr char kContinuation = '\\';
constexpr size_t kBytesPerLine = 24;
constexpr size_t kDwordSize = 4;

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string HexList(std::string_view bytes)
{
    std::string out;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += (i % kBytesPerLine == 0) ? ",\\\n  " : ",";
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        out += digits;
    }
    return out;
}

bool IsPlainString(const SettingsTree::Value& value)
{
    const std::string& data = value.data;
    return value.type == SettingsBackend::kTypeString && !data.empty() &&
           data.find('\0') == data.size() - 1 &&
           SettingsFileText::IsText(std::string_view(data).substr(0, data.size() - 1));
}

std::string FormatData(const SettingsTree::Value& value)
{
    const std::string& data = value.data;
    if (IsPlainString(value))
        return SettingsFileText::Quote(std::string_view(data).substr(0, data.size() - 1));
    if (value.type == SettingsBackend::kTypeDword && data.size() == kDwordSize) {
        uint32_t number = 0;
        for (size_t i = 0; i < kDwordSize; ++i)
            number |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
        char text[16];
        std::snprintf(text, sizeof text, "%08x", number);
        return std::string(kDwordPrefix) + text;
    }
    if (value.type == SettingsBackend::kTypeBinary)
        return std::string(kHexPrefix) + ":" + HexList(data);
    char type[24];
    std::snprintf(type, sizeof type, "(%x):", value.type);
    return std::string(kHexPrefix) + type + HexList(data);
}

bool ParseHexNumber(std::string_view text, uint32_t& number)
{
    if (text.empty() || text.size() > 8)
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseHexList(std::string_view text, std::string& bytes)
{
    bytes.clear();
    std::string compact;
    for (char c : text) {
        if (kBlanks.find(c) == std::string_view::npos)
            compact += c;
    }
    std::string_view rest = compact;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        uint32_t byte = 0;
        if (item.size() != 2 || !ParseHexNumber(item, byte))
            return false;
        bytes += static_cast<char>(byte);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
        if (rest.empty())
            return false;
    }
    return true;
}

bool ParseData(std::string_view text, uint32_t& type, std::string& bytes)
{
    if (!text.empty() && text[0] == '"') {
        if (!SettingsFileText::Unquote(text, bytes) || !text.empty())
            return false;
        type = SettingsBackend::kTypeString;
        bytes += '\0';
        return true;
    }
    if (text.starts_with(kDwordPrefix)) {
        uint32_t number = 0;
        if (!ParseHexNumber(text.substr(kDwordPrefix.size()), number))
            return false;
        type = SettingsBackend::kTypeDword;
        bytes.clear();
        for (size_t i = 0; i < kDwordSize; ++i)
            bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
        return true;
    }
    if (!text.starts_with(kHexPrefix))
        return false;
    text.remove_prefix(kHexPrefix.size());
    type = SettingsBackend::kTypeBinary;
    if (!text.empty() && text[0] == '(') {
        const size_t close = text.find("):");
        if (close == std::string_view::npos || !ParseHexNumber(text.substr(1, close - 1), type))
            return false;
        text.remove_prefix(close + 1);
    }
    if (text.empty() || text[0] != ':')
        return false;
    return ParseHexList(text.substr(1), bytes);
}

bool ParseHeader(std::string_view line, SettingsTree::Path& path)
{
    path.clear();
    if (line.size() < 2 || line.back() != ']')
        return false;
    std::string_view content = line.substr(1, line.size() - 2);
    if (content.empty())
        return true;
    for (;;) {
        if (path.size() == SettingsTree::kMaxDepth)
            return false;
        const size_t separator = content.find(SettingsTree::kSeparator);
        std::string name;
        if (!SettingsFileText::UnescapeKeyName(content.substr(0, separator), name) ||
            !SettingsTree::IsValidKeyName(name))
            return false;
        path.push_back(std::move(name));
        if (separator == std::string_view::npos)
            return true;
        content.remove_prefix(separator + 1);
    }
}

} // namespace

std::string SettingsFileFormat::Format(const SettingsTree& tree)
{
    std::string out(kFirstLine);
    out += '\n';
    tree.VisitKeys([&out](const SettingsTree::Path& path, const std::vector<SettingsTree::Value>& values,
                          bool hasSubKeys) {
        // A key without values is made by the header of any key below it.
        if (values.empty() && hasSubKeys)
            return;
        out += "\n[";
        for (size_t i = 0; i < path.size(); ++i) {
            if (i > 0)
                out += SettingsTree::kSeparator;
            out += SettingsFileText::EscapeKeyName(path[i]);
        }
        out += "]\n";
        for (const SettingsTree::Value& value : values) {
            if (value.name.empty())
                out += kEmptyValueName;
            else
                out += SettingsFileText::Quote(value.name);
            out += '=';
            out += FormatData(value);
            out += '\n';
        }
    });
    return out;
}

SettingsTree SettingsFileFormat::Parse(std::string_view text, size_t* unreadableLines)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    SettingsTree tree;
    SettingsTree::Path path;
    bool inKey = false;
    size_t unreadable = 0;

    auto nextLine = [&text]() {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        return line;
    };

    while (!text.empty()) {
        const std::string_view line = nextLine();
        if (line.empty() || line[0] == kCommentMark)
            continue;
        if (line[0] == '[') {
            inKey = ParseHeader(line, path);
            if (inKey)
                tree.CreateKey(path);
            else
                ++unreadable;
            continue;
        }
        std::string name;
        std::string_view rest = line;
        bool ok = inKey;
        if (ok && rest[0] == kEmptyValueName)
            rest.remove_prefix(1);
        else
            ok = ok && SettingsFileText::Unquote(rest, name);
        rest = Trim(rest);
        ok = ok && rest.starts_with('=');
        if (!ok) {
            ++unreadable;
            continue;
        }
        std::string data(Trim(rest.substr(1)));
        if (data.starts_with(kHexPrefix)) {
            while (!data.empty() && data.back() == kContinuation && !text.empty()) {
                data.pop_back();
                data += nextLine();
            }
        }
        uint32_t type = 0;
        std::string bytes;
        if (ParseData(data, type, bytes))
            tree.SetValue(path, name, type, bytes);
        else
            ++unreadable;
    }
    if (unreadableLines != nullptr)
        *unreadableLines = unreadable;
    return tree;
}
