#include "ui/ChooserService.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGroupBox>

namespace {

ChooserService::Responder& CurrentResponder()
{
    static ChooserService::Responder responder;
    return responder;
}

template <typename T>
std::optional<T> Answered(const T& initial)
{
    const std::optional<ChooserService::Choice> answer = CurrentResponder()(initial);
    if (!answer || !std::holds_alternative<T>(*answer))
        return std::nullopt;
    return std::get<T>(*answer);
}

} // namespace

void ChooserService::SetResponder(Responder responder) { CurrentResponder() = std::move(responder); }

std::optional<QFont> ChooserService::ChooseFont(QWidget* parent, const QFont& initial)
{
    if (CurrentResponder())
        return Answered(initial);
    QFontDialog dialog(initial, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
        if (box->findChildren<QCheckBox*>().isEmpty())
            continue;
        // Its room stays, or the sample beside it shrinks to nothing.
        QSizePolicy policy = box->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        box->setSizePolicy(policy);
        box->hide();
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont();
}

std::optional<QColor> ChooserService::ChooseColor(QWidget* parent, const QColor& initial)
{
    if (CurrentResponder())
        return Answered(initial);
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid())
        return std::nullopt;
    return color;
}
