#pragma once

#include <QString>

#include <functional>

class QWidget;

// The program's file and folder dialogs: a folder to keep messages in, a file
// to attach, a name to save an attachment's copy under. They open where the
// member last was, never in the folder the program was started from ("/" for
// a program started with the desktop session). Tests install a responder that
// answers instead of a dialog.
class FileDialogService
{
public:
    enum class Kind { Folder, FileToAttach, SaveAs };
    struct Request
    {
        Kind kind;
        QString title;
        // Folder: the folder typed so far. SaveAs: the name proposed.
        QString start;
    };
    // The path chosen, empty when the member cancelled.
    using Responder = std::function<QString(const Request&)>;

    static QString BrowseFolder(QWidget* parent, const QString& title, const QString& current);
    static QString ChooseFileToAttach(QWidget* parent);
    // Asks before an existing file is replaced.
    static QString ChooseSaveAs(QWidget* parent, const QString& proposedName);

    // Replaces the dialogs; an empty responder restores them.
    static void SetResponder(Responder responder);
};
