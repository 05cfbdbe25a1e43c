#include "ui/AutostartEntry.h"

#include "core/AtomicFile.h"
#include "core/FilePath.h"
#include "core/HostIdentity.h"

#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <sys/stat.h>

namespace {

constexpr const char* kHiddenLine = "Hidden=true";

std::string Variable(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : fallback;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Entry(const std::string& program, bool hidden)
{
    std::string text = "[Desktop Entry]\nType=Application\nName=QuorlBoard\n"
                       "Comment[ja]=オフィスのネットワークの掲示板とメッセンジャー\nExec=" +
                       program + "\nIcon=quorlboard\nTerminal=false\nNoDisplay=true\n";
    text += hidden ? std::string(kHiddenLine) + "\n" : "X-GNOME-Autostart-enabled=true\n";
    return text;
}

} // namespace

std::string AutostartEntry::UserPath()
{
    const std::string home = Variable("XDG_CONFIG_HOME", "");
    return (home.empty() ? HostIdentity::HomeFolder() + "/.config" : home) + "/autostart/" + kFileName;
}

bool AutostartEntry::SystemEntryExists()
{
    std::stringstream dirs(Variable("XDG_CONFIG_DIRS", "/etc/xdg"));
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && Exists(dir + "/autostart/" + kFileName))
            return true;
    }
    return false;
}

bool AutostartEntry::IsOn()
{
    std::string text;
    if (AtomicFile::ReadAll(UserPath(), text, 64 * 1024))
        return text.find(kHiddenLine) == std::string::npos;
    return SystemEntryExists();
}

bool AutostartEntry::Set(bool on, const std::string& program)
{
    const std::string path = UserPath();
    // Without the administrator's entry, off is simply no entry of one's own.
    if (!on && !SystemEntryExists())
        return std::remove(path.c_str()) == 0 || !Exists(path);
    if (FilePath::MakeFolders(FilePath::DirectoryOf(path)))
        return false;
    return AtomicFile::Write(path, {Entry(program, !on)}).ok();
}
