#pragma once

#include <string>

// Whether the program starts at the member's login, by his own entry in
// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart). An entry the
// administrator installed in $XDG_CONFIG_DIRS/autostart (default
// /etc/xdg/autostart) counts until the member's own entry hides it.
class AutostartEntry
{
public:
    static constexpr const char* kFileName = "quorlboard.desktop";

    static bool IsOn();
    // program: what the entry starts. False when the entry cannot be written
    // or removed.
    static bool Set(bool on, const std::string& program);

    static std::string UserPath();
    static bool SystemEntryExists();
};
