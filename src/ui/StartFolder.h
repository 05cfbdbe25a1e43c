#pragma once

#include <QString>

// Where file and folder dialogs open, rather than in the folder the program
// was started from ("/" for a program started with the desktop session).
class StartFolder
{
public:
    // The folder itself when it exists, else the member's home folder.
    static QString ExistingOrHome(const QString& folder);
    // The folder of the file last attached or saved in this run, else home.
    static QString Attachments();
    static void RememberAttachment(const QString& filePath);
};
