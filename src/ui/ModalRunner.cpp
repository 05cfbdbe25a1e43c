#include "ui/ModalRunner.h"

#include <QDialog>

namespace {

ModalRunner::Hook& CurrentHook()
{
    static ModalRunner::Hook hook;
    return hook;
}

} // namespace

int ModalRunner::Run(QDialog& dialog)
{
    // Modal to the window it belongs to, not to the whole program: the
    // notification area icon must stay usable to bring it up or to exit.
    if (dialog.parentWidget() != nullptr && !dialog.testAttribute(Qt::WA_SetWindowModality))
        dialog.setWindowModality(Qt::WindowModal);
    if (const ModalRunner::Hook& hook = CurrentHook())
        return hook(dialog);
    return dialog.exec();
}

void ModalRunner::SetHook(Hook hook) { CurrentHook() = std::move(hook); }
