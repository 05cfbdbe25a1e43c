#include "MemorySettingsBackend.h"

#include <cstring>

SettingsBackend::Handle MemorySettingsBackend::Open(SettingsTree::Path path)
{
    Handle handle = nextHandle_++;
    if (nextHandle_ == kNoHandle)
        ++nextHandle_;
    handles_[handle] = std::move(path);
    return handle;
}

int MemorySettingsBackend::CreateKey(std::string_view path, Handle* handle)
{
    if (handle == nullptr)
        return kErrorInvalidParameter;
    SettingsTree::Path parts = SettingsTree::SplitPath(path);
    if (!SettingsTree::IsValidPath(parts))
        return kErrorInvalidParameter;
    tree_.CreateKey(parts);
    *handle = Open(std::move(parts));
    return kSuccess;
}

int MemorySettingsBackend::OpenKey(std::string_view path, Handle* handle)
{
    if (handle == nullptr)
        return kErrorInvalidParameter;
    SettingsTree::Path parts = SettingsTree::SplitPath(path);
    if (!tree_.HasKey(parts))
        return kErrorFileNotFound;
    *handle = Open(std::move(parts));
    return kSuccess;
}

int MemorySettingsBackend::QueryValue(Handle handle, std::string_view name, uint32_t* type,
                                      void* data, uint32_t* size)
{
    const SettingsTree::Path* path = PathOf(handle);
    if (path == nullptr)
        return kErrorInvalidHandle;
    if (data != nullptr && size == nullptr)
        return kErrorInvalidParameter;
    const SettingsTree::Value* value = tree_.FindValue(*path, name);
    if (value == nullptr)
        return kErrorFileNotFound;
    if (type != nullptr)
        *type = value->type;
    if (size == nullptr)
        return kSuccess;
    const auto length = static_cast<uint32_t>(value->data.size());
    const uint32_t capacity = *size;
    *size = length;
    if (data == nullptr)
        return kSuccess;
    if (length > capacity)
        return kErrorMoreData;
    std::memcpy(data, value->data.data(), length);
    return kSuccess;
}

int MemorySettingsBackend::SetValue(Handle handle, std::string_view name, uint32_t type,
                                    const void* data, uint32_t size)
{
    const SettingsTree::Path* path = PathOf(handle);
    if (path == nullptr)
        return kErrorInvalidHandle;
    if (data == nullptr && size > 0)
        return kErrorInvalidParameter;
    const std::string_view bytes = size > 0 ? std::string_view(static_cast<const char*>(data), size)
                                            : std::string_view();
    tree_.SetValue(*path, name, type, bytes);
    return kSuccess;
}

int MemorySettingsBackend::EnumKey(Handle handle, uint32_t index, char* name, uint32_t* nameSize)
{
    const SettingsTree::Path* path = PathOf(handle);
    if (path == nullptr)
        return kErrorInvalidHandle;
    if (name == nullptr || nameSize == nullptr)
        return kErrorInvalidParameter;
    const std::string* found = tree_.SubKeyName(*path, index);
    if (found == nullptr)
        return kErrorNoMoreItems;
    if (found->size() >= *nameSize)
        return kErrorMoreData;
    std::memcpy(name, found->data(), found->size());
    name[found->size()] = '\0';
    *nameSize = static_cast<uint32_t>(found->size());
    return kSuccess;
}

int MemorySettingsBackend::CloseKey(Handle handle)
{
    return handles_.erase(handle) > 0 ? kSuccess : kErrorInvalidHandle;
}

const SettingsTree::Path* MemorySettingsBackend::PathOf(Handle handle) const
{
    auto it = handles_.find(handle);
    return it != handles_.end() ? &it->second : nullptr;
}
