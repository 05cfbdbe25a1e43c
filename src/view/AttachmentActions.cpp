#include "view/AttachmentActions.h"

#include "core/FilePath.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "ui/FileDialogService.h"
#include "board/BoardLog.h"
#include "view/CAttachFileList.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace {

constexpr const char* kCannotOpen = "添付ファイルを開けません。\n%1";

AttachmentActions::Opener& CurrentOpener()
{
    static AttachmentActions::Opener opener;
    return opener;
}

} // namespace

void AttachmentActions::SetOpener(Opener opener) { CurrentOpener() = std::move(opener); }

void AttachmentActions::Open(QWidget* owner, const std::string& path)
{
    if (path.empty())
        return;
    const QString name = QFile::decodeName(path.c_str());
    const Opener& opener = CurrentOpener();
    const bool opened = opener ? opener(name) : QDesktopServices::openUrl(QUrl::fromLocalFile(name));
    qCInfo(lcBoard).noquote() << "open attachment" << name << (opened ? "started" : "failed");
    if (!opened)
        MessageBoxService::Show(owner, QString::fromUtf8(kCannotOpen).arg(name));
}

bool AttachmentActions::Save(QWidget* owner, const std::string& path)
{
    if (path.empty())
        return false;
    const QString chosen = FileDialogService::ChooseSaveAs(owner, QFile::decodeName(FilePath::BaseNameOf(path).c_str()));
    if (chosen.isEmpty())
        return false;
    QString error;
    const bool copied =
        CAttachFileList::CopyFileBlocks(path, QFile::encodeName(chosen).toStdString(), nullptr, &error);
    qCInfo(lcBoard).noquote() << "save attachment" << QFile::decodeName(path.c_str()) << "to" << chosen
                              << (copied ? "done" : "failed");
    if (!copied)
        MessageBoxService::Show(owner, error);
    return copied;
}
