#include "settings/ui/CColorButton.h"

#include "ui/ColorRef.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

void CColorButton::SetColor(uint32_t color)
{
    MakeSwatch();
    Fill(color);
}

void CColorButton::MakeSwatch()
{
    const qreal ratio = devicePixelRatioF();
    swatch_ = QPixmap(size() * ratio);
    swatch_.setDevicePixelRatio(ratio);
}

void CColorButton::Fill(uint32_t color)
{
    color_ = color;
    if (!swatch_.isNull())
        swatch_.fill(ColorRef::ToQColor(color));
    repaint();
}

void CColorButton::paintEvent(QPaintEvent* event)
{
    if (swatch_.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), swatch_);
    // The swatch covers the whole face; a focus frame keeps the keyboard user
    // oriented.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        option.backgroundColor = ColorRef::ToQColor(color_);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CColorButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    if (!swatch_.isNull()) {
        MakeSwatch();
        swatch_.fill(ColorRef::ToQColor(color_));
    }
}
