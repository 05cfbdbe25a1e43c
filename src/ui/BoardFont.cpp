#include "ui/BoardFont.h"
#include "core/RecordField.h"

#include "core/Cp932Codec.h"
#include "ui/UiEnvironment.h"

#include <QFontInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr double kTenthsPerPoint = 10.0;
constexpr int kMinWeight = 1;
constexpr int kMaxWeight = 1000;
constexpr int32_t kDontCareWeight = 0;

// LOGFONT pitch and family bits.
constexpr uint8_t kFixedPitch = 0x01;
constexpr uint8_t kVariablePitch = 0x02;
constexpr uint8_t kFamilyRoman = 0x10;
constexpr uint8_t kFamilySwiss = 0x20;
constexpr uint8_t kFamilyModern = 0x30;
constexpr uint8_t kFamilyScript = 0x40;
constexpr uint8_t kFamilyDecorative = 0x50;

uint8_t FamilyBits(QFont::StyleHint hint)
{
    switch (hint) {
    case QFont::Serif:
        return kFamilyRoman;
    case QFont::SansSerif:
        return kFamilySwiss;
    case QFont::TypeWriter:
    case QFont::Monospace:
        return kFamilyModern;
    case QFont::Cursive:
        return kFamilyScript;
    case QFont::Decorative:
    case QFont::Fantasy:
        return kFamilyDecorative;
    default:
        return 0;
    }
}

} // namespace

QFont BoardFont::ToFont(const FontDescription& description)
{
    QString face = QString::fromStdString(Cp932Codec::ToUtf8(RecordField::Text(description.faceName)));
    if (face.isEmpty())
        face = UiEnvironment::DialogFaceName();

    QFont font(face);
    // As a point-size font: the sign of the height does not matter, zero
    // leaves the size to the system.
    if (description.height != 0)
        font.setPointSizeF(std::abs(description.height) / kTenthsPerPoint);
    else
        font.setPointSize(UiEnvironment::kDialogPointSize);
    if (description.weight != kDontCareWeight)
        font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(description.weight, kMinWeight, kMaxWeight)));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    return font;
}

FontDescription BoardFont::FromFont(const QFont& font)
{
    FontDescription description;
    double points = font.pointSizeF();
    if (points <= 0)
        points = QFontInfo(font).pointSizeF();
    description.height = static_cast<int32_t>(std::lround(points * kTenthsPerPoint));
    description.weight = font.weight();
    description.italic = font.italic() ? 1 : 0;
    description.underline = font.underline() ? 1 : 0;
    description.strikeOut = font.strikeOut() ? 1 : 0;
    description.charSet = kShiftJisCharSet;
    description.pitchAndFamily = static_cast<uint8_t>((QFontInfo(font).fixedPitch() ? kFixedPitch : kVariablePitch) |
                                                      FamilyBits(font.styleHint()));
    RecordField::Set(description.faceName, Cp932Codec::FromUtf8(font.family().toStdString()));
    return description;
}

FontDescription BoardFont::Default()
{
    FontDescription description = FromFont(UiEnvironment::DialogFont());
    description.height = kDefaultHeight;
    return description;
}
