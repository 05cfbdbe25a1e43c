#include "ui/DialogUnits.h"

#include "ui/UiEnvironment.h"

#include <QFontMetrics>

namespace {

constexpr const char* kLatinLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLatinLetterCount = 52;

// MulDiv: a·b/c rounded half away from zero.
int MulDiv(int a, int b, int c)
{
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(QString::fromLatin1(kLatinLetters));
    // As GdiGetCharDimensions: the average of the 52 letters, rounded.
    baseX_ = (width / (kLatinLetterCount / 2) + 1) / 2;
    baseY_ = metrics.height();
}

DialogUnits DialogUnits::Dialog()
{
    return DialogUnits(UiEnvironment::DialogFont());
}

int DialogUnits::X(int units) const { return MulDiv(units, baseX_, 4); }
int DialogUnits::Y(int units) const { return MulDiv(units, baseY_, 8); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const
{
    return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const { return QSize(X(width), Y(height)); }
