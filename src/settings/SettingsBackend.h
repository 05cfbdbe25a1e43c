#pragma once

#include <cstdint>
#include <string_view>

// A hierarchical key/value store with the semantics of the Windows registry
// below HKEY_CURRENT_USER, as the settings store uses it. Key paths are
// relative to that root and use '\' between key names; empty key names in a
// path are skipped, so "" is the root itself. Names and string data are CP932
// byte strings. Every operation returns a Windows system error code.
class SettingsBackend
{
public:
    using Handle = uint32_t;
    static constexpr Handle kNoHandle = 0;

    static constexpr int kSuccess = 0;
    static constexpr int kErrorFileNotFound = 2;
    static constexpr int kErrorAccessDenied = 5;
    static constexpr int kErrorInvalidHandle = 6;
    static constexpr int kErrorWriteFault = 29;
    static constexpr int kErrorInvalidParameter = 87;
    static constexpr int kErrorBusy = 170;
    static constexpr int kErrorMoreData = 234;
    static constexpr int kErrorNoMoreItems = 259;

    static constexpr uint32_t kTypeString = 1; // REG_SZ
    static constexpr uint32_t kTypeBinary = 3; // REG_BINARY
    static constexpr uint32_t kTypeDword = 4;  // REG_DWORD, little-endian

    virtual ~SettingsBackend() = default;

    // Opens the key, creating it and any missing keys on its path.
    virtual int CreateKey(std::string_view path, Handle* handle) = 0;
    // Opens an existing key; kErrorFileNotFound when it is absent.
    virtual int OpenKey(std::string_view path, Handle* handle) = 0;
    // *size holds the buffer size and receives the value's real size. A value
    // longer than the buffer leaves the buffer untouched and gives
    // kErrorMoreData. With a null buffer only the type and size are reported.
    // type may be null.
    virtual int QueryValue(Handle handle, std::string_view name, uint32_t* type, void* data,
                           uint32_t* size) = 0;
    // Creates or replaces the value with exactly these bytes.
    virtual int SetValue(Handle handle, std::string_view name, uint32_t type, const void* data,
                         uint32_t size) = 0;
    // Sub-keys in a stable order. *nameSize holds the buffer size (terminating
    // zero included) and receives the name's length; a name that does not fit
    // gives kErrorMoreData and leaves the buffer untouched. kErrorNoMoreItems
    // past the last sub-key.
    virtual int EnumKey(Handle handle, uint32_t index, char* name, uint32_t* nameSize) = 0;
    // A backend that keeps its data elsewhere may save here; a failure to save
    // is reported, the handle is closed all the same.
    virtual int CloseKey(Handle handle) = 0;
};
