#pragma once

#include "settings/SettingsBackend.h"
#include "settings/SettingsTree.h"

#include <map>

// Keeps the keys in memory only; also the working copy of the file backend.
class MemorySettingsBackend : public SettingsBackend
{
public:
    MemorySettingsBackend() = default;
    explicit MemorySettingsBackend(SettingsTree tree) : tree_(std::move(tree)) {}

    int CreateKey(std::string_view path, Handle* handle) override;
    int OpenKey(std::string_view path, Handle* handle) override;
    int QueryValue(Handle handle, std::string_view name, uint32_t* type, void* data,
                   uint32_t* size) override;
    int SetValue(Handle handle, std::string_view name, uint32_t type, const void* data,
                 uint32_t size) override;
    int EnumKey(Handle handle, uint32_t index, char* name, uint32_t* nameSize) override;
    int CloseKey(Handle handle) override;

    // Null for a handle that is not open.
    const SettingsTree::Path* PathOf(Handle handle) const;
    size_t openHandles() const { return handles_.size(); }

    SettingsTree& tree() { return tree_; }
    const SettingsTree& tree() const { return tree_; }

private:
    Handle Open(SettingsTree::Path path);

    SettingsTree tree_;
    std::map<Handle, SettingsTree::Path> handles_;
    Handle nextHandle_ = kNoHandle + 1;
};
