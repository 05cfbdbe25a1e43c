#include "ui/StartFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& LastAttachmentFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString StartFolder::ExistingOrHome(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString StartFolder::Attachments() { return ExistingOrHome(LastAttachmentFolder()); }

void StartFolder::RememberAttachment(const QString& filePath)
{
    if (!filePath.isEmpty())
        LastAttachmentFolder() = QFileInfo(filePath).absolutePath();
}
