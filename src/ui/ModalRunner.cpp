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
    if (const ModalRunner::Hook& hook = CurrentHook())
        return hook(dialog);
    return dialog.exec();
}

void ModalRunner::SetHook(Hook hook) { CurrentHook() = std::move(hook); }
