#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

// What the board view does with an attachment: open it with the program the
// desktop associates with its type, or save a copy of it elsewhere.
class AttachmentActions
{
public:
    using Opener = std::function<bool(const QString& path)>;

    // Replaces the desktop in tests; an empty opener restores it.
    static void SetOpener(Opener opener);

    // Nothing for an empty path. A file the desktop cannot open is reported.
    static void Open(QWidget* owner, const std::string& path);
    // Asks where to, then copies there, replacing a file of that name; a
    // failed copy is reported. True when a copy was made.
    static bool Save(QWidget* owner, const std::string& path);
};
