#include "settings/MemorySettingsBackend.h"

#include <gtest/gtest.h>

namespace {

using B = SettingsBackend;

TEST(MemorySettingsBackendTest, KeysAreCreatedAlongThePathAndQueriesCopyOnlyWhatFits)
{
    MemorySettingsBackend backend;
    B::Handle key = B::kNoHandle;
    EXPECT_EQ(backend.OpenKey("Software\\QuorlBoard", &key), B::kErrorFileNotFound);
    ASSERT_EQ(backend.CreateKey("Software\\QuorlBoard\\a\\abcd", &key), B::kSuccess);
    EXPECT_EQ(backend.CloseKey(key), B::kSuccess);
    EXPECT_EQ(backend.CloseKey(key), B::kErrorInvalidHandle);
    ASSERT_EQ(backend.OpenKey("software\\quorlboard\\A", &key), B::kSuccess);

    char name[5] = "wxyz";
    uint32_t size = 4;
    EXPECT_EQ(backend.EnumKey(key, 0, name, &size), B::kErrorMoreData); // no room for the zero
    EXPECT_STREQ(name, "wxyz");
    size = 5;
    EXPECT_EQ(backend.EnumKey(key, 0, name, &size), B::kSuccess);
    EXPECT_EQ(name + std::to_string(size), "abcd4");
    ASSERT_EQ(backend.SetValue(key, "v", 7, "12345", 5), B::kSuccess);
    char buffer[8] = "-------";
    uint32_t type = 0;
    size = 4;
    EXPECT_EQ(backend.QueryValue(key, "V", &type, buffer, &size), B::kErrorMoreData);
    EXPECT_EQ(buffer + std::to_string(size), "-------5");
    size = sizeof buffer;
    EXPECT_EQ(backend.QueryValue(key, "v", &type, buffer, &size), B::kSuccess);
    EXPECT_EQ(std::string(buffer, size) + std::to_string(type), "123457");
    backend.CloseKey(key);
    EXPECT_EQ(backend.openHandles(), 0u);
}

} // namespace
