#include "ui/FileDialogService.h"

#include "ui/ModalRunner.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// Every file: "*.*" would leave out names without a dot here.
constexpr const char* kAttachFilter = "全てのﾌｧｲﾙ(*.*) (*)";
constexpr const char* kSaveFilter = "All Files (*)";

FileDialogService::Responder& CurrentResponder()
{
    static FileDialogService::Responder responder;
    return responder;
}

QString& LastAttachmentFolder()
{
    static QString folder;
    return folder;
}

QString ExistingOrHome(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

// Attaching and saving start in the folder of the file last attached or
// saved in this run.
QString RememberAttachment(const QString& filePath)
{
    if (!filePath.isEmpty())
        LastAttachmentFolder() = QFileInfo(filePath).absolutePath();
    return filePath;
}

} // namespace

void FileDialogService::SetResponder(Responder responder) { CurrentResponder() = std::move(responder); }

QString FileDialogService::BrowseFolder(QWidget* parent, const QString& title, const QString& current)
{
    if (const Responder& responder = CurrentResponder())
        return responder({Kind::Folder, title, current});
    return QFileDialog::getExistingDirectory(parent, title, ExistingOrHome(current), QFileDialog::ShowDirsOnly);
}

QString FileDialogService::ChooseFileToAttach(QWidget* parent)
{
    if (const Responder& responder = CurrentResponder())
        return responder({Kind::FileToAttach, QString(), QString()});
    return RememberAttachment(QFileDialog::getOpenFileName(parent, QString(), ExistingOrHome(LastAttachmentFolder()),
                                                           QString::fromUtf8(kAttachFilter), nullptr,
                                                           QFileDialog::HideNameFilterDetails));
}

QString FileDialogService::ChooseSaveAs(QWidget* parent, const QString& proposedName)
{
    if (const Responder& responder = CurrentResponder())
        return responder({Kind::SaveAs, QString(), proposedName});
    QFileDialog dialog(parent, QString(), ExistingOrHome(LastAttachmentFolder()), QString::fromLatin1(kSaveFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposedName);
    if (ModalRunner::Run(dialog) != QDialog::Accepted)
        return {};
    return RememberAttachment(dialog.selectedFiles().value(0));
}
