#include "ui/AutostartEntry.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

// The member's own entry turns the start at login on and off, over the
// administrator's entry too; a folder that cannot be made is reported.
TEST(AutostartEntry, TheMembersOwnEntryDecidesOverTheAdministratorsOne)
{
    TempDir home;
    setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home.file("none") + ":" + home.file("system")).c_str(), 1);
    EXPECT_FALSE(AutostartEntry::IsOn());
    ASSERT_TRUE(AutostartEntry::Set(true, "/usr/bin/quorlboard"));
    EXPECT_TRUE(AutostartEntry::IsOn());
    EXPECT_NE(TempDir::Read(home.file("config/autostart/quorlboard.desktop")).find("Exec=/usr/bin/quorlboard\n"),
              std::string::npos);
    ASSERT_TRUE(AutostartEntry::Set(false, "/usr/bin/quorlboard"));
    EXPECT_FALSE(std::filesystem::exists(home.file("config/autostart/quorlboard.desktop")));

    TempDir::Put(home.file("system/autostart/quorlboard.desktop"), "[Desktop Entry]\n");
    EXPECT_TRUE(AutostartEntry::IsOn()) << "installed for every desk";
    ASSERT_TRUE(AutostartEntry::Set(false, "/usr/bin/quorlboard"));
    EXPECT_FALSE(AutostartEntry::IsOn()) << "hidden by the member's own entry";
    ASSERT_TRUE(AutostartEntry::Set(true, "/usr/bin/quorlboard"));
    EXPECT_TRUE(AutostartEntry::IsOn());

    TempDir::Write(home.file("blocked"), "");
    setenv("XDG_CONFIG_HOME", home.file("blocked").c_str(), 1);
    EXPECT_FALSE(AutostartEntry::Set(true, "/usr/bin/quorlboard"));
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CONFIG_DIRS");
}
