#include "view/CBoardDlg.h"

#include "app/CBoardApp.h"

#include <QLabel>
#include <QResizeEvent>

CBoardDlg::CBoardDlg(CBoardApp& app, QWidget* parent)
    : QWidget(parent), app_(app), placeholder_(new QLabel(QStringLiteral("掲示板"), this))
{
    setAutoFillBackground(true);
    placeholder_->setAlignment(Qt::AlignCenter);
    placeholder_->setGeometry(rect());
}

void CBoardDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeholder_->setGeometry(rect());
}

void CBoardDlg::RefreshTitles(std::optional<int32_t> selectNumber)
{
    ++refreshCount_;
    lastSelected_ = selectNumber;
}

void CBoardDlg::ApplyFontAndColors(const QFont& font, const PriorityColors& colors)
{
    (void)colors;
    placeholder_->setFont(font);
}

ColumnWidths CBoardDlg::GetColumnWidths() const
{
    ColumnWidths widths;
    if (app_.store().ReadColumnWidths(widths) != SettingsStore::kRead)
        widths = ColumnWidths{80, 200, 100, 120};
    return widths;
}
