#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Dialog units of a dialog font, converted as Windows does: the horizontal
// base is the average width of the 52 Latin letters, the vertical base the
// font's height; x·base/4 and y·base/8, rounded.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font);
    // The program's dialog font ("ＭＳ Ｐゴシック" 9 pt).
    static DialogUnits Dialog();

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

private:
    int baseX_ = 0;
    int baseY_ = 0;
};
