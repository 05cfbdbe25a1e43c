#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Keys holding typed values and sub-keys, compared like the Windows registry
// compares them: ASCII letters without regard to case, everything else byte
// for byte (CP932 aware, so the second byte of a double-byte character is
// never folded). A name keeps the case it was first written with. Values
// keep their insertion order; sub-keys are ordered by folded name.
class SettingsTree
{
public:
    using Path = std::vector<std::string>;

    struct Value
    {
        std::string name;
        uint32_t type = 0;
        std::string data;

        bool operator==(const Value&) const = default;
    };

    static constexpr char kSeparator = '\\';
    // The registry's own limits: keys nested at most this deep below the
    // root, and key names of at most this many characters.
    static constexpr size_t kMaxDepth = 512;
    static constexpr size_t kMaxKeyNameLength = 255;

    SettingsTree();
    ~SettingsTree();
    SettingsTree(const SettingsTree& other);
    SettingsTree& operator=(const SettingsTree& other);
    SettingsTree(SettingsTree&&) noexcept;
    SettingsTree& operator=(SettingsTree&&) noexcept;

    // Splits at the separator, skipping empty key names.
    static Path SplitPath(std::string_view path);
    static size_t FindSeparator(std::string_view name);
    // The form in which names are compared: ASCII letters upper-cased.
    static std::string Fold(std::string_view name);
    // A key name is not empty, holds no separator and is not too long.
    static bool IsValidKeyName(std::string_view name);
    // Not too deep, and every name valid.
    static bool IsValidPath(const Path& path);

    bool HasKey(const Path& path) const;
    // Creates the key and the missing keys on its path. False when nothing
    // had to be created or a key name on the path is invalid.
    bool CreateKey(const Path& path);
    // Creates the key path as needed. False when the value was already the
    // same (the name's case aside) or the path is invalid.
    bool SetValue(const Path& path, std::string_view name, uint32_t type, std::string_view data);
    bool DeleteValue(const Path& path, std::string_view name);

    // Null when the key or value is absent.
    const Value* FindValue(const Path& path, std::string_view name) const;
    const std::vector<Value>* Values(const Path& path) const;
    const std::string* SubKeyName(const Path& path, size_t index) const;

    using Visitor = std::function<void(const Path&, const std::vector<Value>&, bool hasSubKeys)>;
    // Calls back for every key but the root, parents before their sub-keys,
    // sub-keys in their order; the root comes first when it holds values.
    void VisitKeys(const Visitor& visit) const;

    // Names compared exactly, so a difference in case is a difference.
    bool operator==(const SettingsTree& other) const;

private:
    struct Node;

    const Node* Find(const Path& path) const;
    Node* Find(const Path& path);

    std::unique_ptr<Node> root_;
};
