#include "SettingsTree.h"

#include "core/Cp932Codec.h"

#include <algorithm>
#include <utility>

// Every walk over the keys keeps its own stack, so that no operation, the
// destructor included, recurses as deep as the keys are nested.
struct SettingsTree::Node
{
    std::string name;
    std::vector<Value> values;
    std::map<std::string, std::unique_ptr<Node>> children; // by folded name

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    ~Node()
    {
        std::vector<std::unique_ptr<Node>> pending;
        auto detach = [&pending](Node& node) {
            for (auto& [folded, child] : node.children)
                pending.push_back(std::move(child));
            node.children.clear();
        };
        detach(*this);
        while (!pending.empty()) {
            std::unique_ptr<Node> node = std::move(pending.back());
            pending.pop_back();
            detach(*node);
        }
    }

    std::unique_ptr<Node> Clone() const
    {
        auto copy = std::make_unique<Node>();
        std::vector<std::pair<const Node*, Node*>> pending{{this, copy.get()}};
        while (!pending.empty()) {
            const auto [from, to] = pending.back();
            pending.pop_back();
            to->name = from->name;
            to->values = from->values;
            for (const auto& [folded, child] : from->children) {
                Node* made = to->children.emplace(folded, std::make_unique<Node>()).first->second.get();
                pending.emplace_back(child.get(), made);
            }
        }
        return copy;
    }

    bool SameAs(const Node& other) const
    {
        std::vector<std::pair<const Node*, const Node*>> pending{{this, &other}};
        while (!pending.empty()) {
            const auto [a, b] = pending.back();
            pending.pop_back();
            if (a->name != b->name || a->values != b->values || a->children.size() != b->children.size())
                return false;
            for (auto i = a->children.begin(), j = b->children.begin(); i != a->children.end(); ++i, ++j) {
                if (i->first != j->first)
                    return false;
                pending.emplace_back(i->second.get(), j->second.get());
            }
        }
        return true;
    }

    // values.size() when absent.
    size_t IndexOf(std::string_view valueName) const
    {
        const std::string folded = Fold(valueName);
        size_t index = 0;
        while (index < values.size() && Fold(values[index].name) != folded)
            ++index;
        return index;
    }

    // Depth first, parents before their sub-keys: one iterator per level.
    void Visit(Path& path, const Visitor& visit) const
    {
        using Iterator = decltype(children)::const_iterator;
        std::vector<std::pair<Iterator, Iterator>> levels{{children.begin(), children.end()}};
        while (!levels.empty()) {
            auto& [next, end] = levels.back();
            if (next == end) {
                levels.pop_back();
                if (!levels.empty())
                    path.pop_back();
                continue;
            }
            const Node& child = *(next++)->second;
            path.push_back(child.name);
            visit(path, child.values, !child.children.empty());
            levels.emplace_back(child.children.begin(), child.children.end());
        }
    }
};

SettingsTree::SettingsTree() : root_(std::make_unique<Node>()) {}
SettingsTree::~SettingsTree() = default;
SettingsTree::SettingsTree(const SettingsTree& other) : root_(other.root_->Clone()) {}
SettingsTree::SettingsTree(SettingsTree&& other) noexcept : root_(std::move(other.root_))
{
    other.root_ = std::make_unique<Node>();
}

SettingsTree& SettingsTree::operator=(const SettingsTree& other)
{
    if (this != &other)
        root_ = other.root_->Clone();
    return *this;
}

SettingsTree& SettingsTree::operator=(SettingsTree&& other) noexcept
{
    std::swap(root_, other.root_);
    return *this;
}

// Names are CP932: the byte of "\\" is a separator only where a character
// starts, never as the second byte of one such as "ソ" or "表".
size_t SettingsTree::FindSeparator(std::string_view name)
{
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == static_cast<unsigned char>(kSeparator))
            return i;
        i += static_cast<size_t>(Cp932Codec::CharLength(c));
    }
    return std::string_view::npos;
}

SettingsTree::Path SettingsTree::SplitPath(std::string_view path)
{
    Path parts;
    while (!path.empty()) {
        const size_t end = std::min(FindSeparator(path), path.size());
        if (end > 0)
            parts.emplace_back(path.substr(0, end));
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return parts;
}

std::string SettingsTree::Fold(std::string_view name)
{
    std::string folded(name);
    for (size_t i = 0; i < folded.size();) {
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        const int length = Cp932Codec::CharLength(c);
        if (length == 1 && c >= 'a' && c <= 'z')
            folded[i] = static_cast<char>(c - 'a' + 'A');
        i += static_cast<size_t>(length);
    }
    return folded;
}

bool SettingsTree::IsValidKeyName(std::string_view name)
{
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++characters) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == static_cast<unsigned char>(kSeparator))
            return false;
        i += static_cast<size_t>(Cp932Codec::CharLength(c));
    }
    return characters > 0 && characters <= kMaxKeyNameLength;
}

bool SettingsTree::IsValidPath(const Path& path)
{
    return path.size() <= kMaxDepth && std::all_of(path.begin(), path.end(), IsValidKeyName);
}

const SettingsTree::Node* SettingsTree::Find(const Path& path) const
{
    const Node* node = root_.get();
    for (const std::string& name : path) {
        auto it = node->children.find(Fold(name));
        if (it == node->children.end())
            return nullptr;
        node = it->second.get();
    }
    return node;
}

SettingsTree::Node* SettingsTree::Find(const Path& path)
{
    return const_cast<Node*>(std::as_const(*this).Find(path));
}

bool SettingsTree::HasKey(const Path& path) const
{
    return Find(path) != nullptr;
}

bool SettingsTree::CreateKey(const Path& path)
{
    if (!IsValidPath(path))
        return false;
    bool created = false;
    Node* node = root_.get();
    for (const std::string& name : path) {
        auto [it, inserted] = node->children.try_emplace(Fold(name));
        if (inserted) {
            it->second = std::make_unique<Node>();
            it->second->name = name;
            created = true;
        }
        node = it->second.get();
    }
    return created;
}

bool SettingsTree::SetValue(const Path& path, std::string_view name, uint32_t type, std::string_view data)
{
    const bool created = CreateKey(path);
    Node* node = Find(path);
    if (node == nullptr)
        return false;
    const size_t index = node->IndexOf(name);
    if (index < node->values.size()) {
        Value& value = node->values[index];
        if (value.type == type && value.data == data)
            return created;
        value.type = type;
        value.data = data;
        return true;
    }
    node->values.push_back(Value{std::string(name), type, std::string(data)});
    return true;
}

bool SettingsTree::DeleteValue(const Path& path, std::string_view name)
{
    Node* node = Find(path);
    const size_t index = node != nullptr ? node->IndexOf(name) : 0;
    if (node == nullptr || index == node->values.size())
        return false;
    node->values.erase(node->values.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

const SettingsTree::Value* SettingsTree::FindValue(const Path& path, std::string_view name) const
{
    const Node* node = Find(path);
    if (node == nullptr)
        return nullptr;
    const size_t index = node->IndexOf(name);
    return index < node->values.size() ? &node->values[index] : nullptr;
}

const std::vector<SettingsTree::Value>* SettingsTree::Values(const Path& path) const
{
    const Node* node = Find(path);
    return node != nullptr ? &node->values : nullptr;
}

const std::string* SettingsTree::SubKeyName(const Path& path, size_t index) const
{
    const Node* node = Find(path);
    if (node == nullptr || index >= node->children.size())
        return nullptr;
    return &std::next(node->children.begin(), static_cast<std::ptrdiff_t>(index))->second->name;
}

void SettingsTree::VisitKeys(const Visitor& visit) const
{
    Path path;
    if (!root_->values.empty())
        visit(path, root_->values, !root_->children.empty());
    root_->Visit(path, visit);
}

bool SettingsTree::operator==(const SettingsTree& other) const
{
    return root_->SameAs(*other.root_);
}
