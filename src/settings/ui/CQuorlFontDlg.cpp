#include "settings/ui/CQuorlFontDlg.h"
#include "core/RecordField.h"

#include "core/Cp932Codec.h"
#include "settings/ui/CColorButton.h"
#include "ui/BoardFont.h"
#include "ui/ChooserService.h"
#include "ui/ColorRef.h"
#include "ui/DialogUnits.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

namespace {

constexpr const char* kCaption = "フォントの変更";
constexpr const char* kPriorityWords[CQuorlFontDlg::kRows] = {"緊急", "通知", "通常"};
constexpr int kTenthsPerPoint = 10;

// Dialog-unit rectangles of the colour rows: text button, background
// button, preview.
struct RowRects
{
    int y;
    int previewHeight;
};
constexpr RowRects kRowRects[CQuorlFontDlg::kRows] = {{100, 15}, {118, 16}, {136, 16}};
constexpr int kTextButtonX = 22;
constexpr int kBackButtonX = 65;
constexpr int kColorButtonWidth = 37;
constexpr int kColorButtonHeight = 16;
constexpr int kPreviewX = 110;
constexpr int kPreviewWidth = 35;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QLabel* NewLabel(const char* text, const QRect& rect, QWidget* parent)
{
    auto* label = new QLabel(Text(text), parent);
    label->setGeometry(rect);
    return label;
}

} // namespace

CQuorlFontDlg::CQuorlFontDlg(const FontDescription& font, const PriorityColors& colors, QWidget* parent)
    : QDialog(parent), font(font), colors(colors)
{
    setWindowTitle(Text(kCaption));
    CreateControls();
    OnInitDialog();
}

void CQuorlFontDlg::CreateControls()
{
    const DialogUnits du = DialogUnits::Dialog();
    setFixedSize(du.Size(247, 175));

    // The frames first, so that they lie below the controls they surround.
    (new QGroupBox(Text("フォント選択"), this))->setGeometry(du.Rect(14, 14, 170, 54));
    (new QGroupBox(Text("メッセージの色"), this))->setGeometry(du.Rect(14, 73, 170, 86));

    NewLabel("フォント", du.Rect(18, 29, 25, 12), this);
    faceEdit_ = new QLineEdit(this);
    faceEdit_->setObjectName(QStringLiteral("faceName"));
    faceEdit_->setReadOnly(true);
    faceEdit_->setGeometry(du.Rect(44, 27, 89, 14));

    NewLabel("サイズ", du.Rect(20, 45, 25, 12), this);
    sizeEdit_ = new QLineEdit(this);
    sizeEdit_->setObjectName(QStringLiteral("pointSize"));
    sizeEdit_->setReadOnly(true);
    sizeEdit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sizeEdit_->setGeometry(du.Rect(44, 43, 24, 14));

    auto* change = new QPushButton(Text("変更"), this);
    change->setObjectName(QStringLiteral("change"));
    change->setGeometry(du.Rect(149, 49, 32, 13));
    connect(change, &QPushButton::clicked, this, &CQuorlFontDlg::OnChangeFont);

    NewLabel("文字色", du.Rect(29, 87, 25, 9), this);
    NewLabel("背景色", du.Rect(73, 87, 28, 9), this);
    for (int row = 0; row < kRows; ++row) {
        const RowRects& rects = kRowRects[row];
        for (int column = 0; column < 2; ++column) {
            const int index = 2 * row + column;
            auto* button = new CColorButton(this);
            button->setObjectName(QStringLiteral("color%1").arg(index));
            button->setGeometry(
                du.Rect(column == 0 ? kTextButtonX : kBackButtonX, rects.y, kColorButtonWidth, kColorButtonHeight));
            connect(button, &QPushButton::clicked, this, [this, index] { OnColorButton(index); });
            colorButtons_[static_cast<size_t>(index)] = button;
        }
        auto* preview = new QLineEdit(this);
        preview->setObjectName(QStringLiteral("preview%1").arg(row));
        preview->setGeometry(du.Rect(kPreviewX, rects.y, kPreviewWidth, rects.previewHeight));
        previews_[static_cast<size_t>(row)] = preview;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(190, 7, 50, 16));
    connect(ok, &QPushButton::clicked, this, &CQuorlFontDlg::accept);

    auto* cancel = new QPushButton(Text("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(190, 26, 50, 16));
    connect(cancel, &QPushButton::clicked, this, &CQuorlFontDlg::reject);
}

void CQuorlFontDlg::OnInitDialog()
{
    ShowFontText();
    for (size_t index = 0; index < colorButtons_.size(); ++index)
        colorButtons_[index]->SetColor(colors.colors[index]);
    for (int row = 0; row < kRows; ++row)
        previews_[static_cast<size_t>(row)]->setText(Text(kPriorityWords[row]));
    ApplyPreview();
}

void CQuorlFontDlg::ShowFontText()
{
    faceEdit_->setText(QString::fromStdString(
        Cp932Codec::ToUtf8(RecordField::Text(font.faceName))));
    sizeEdit_->setText(QString::number(font.height / kTenthsPerPoint));
}

void CQuorlFontDlg::ApplyPreview()
{
    const QFont previewFont = BoardFont::ToFont(font);
    for (int row = 0; row < kRows; ++row) {
        QLineEdit* preview = previews_[static_cast<size_t>(row)];
        preview->setFont(previewFont);
        preview->setAlignment(Qt::AlignCenter);
        SetPreviewColors(row);
    }
}

void CQuorlFontDlg::SetPreviewColors(int row)
{
    QLineEdit* preview = previews_[static_cast<size_t>(row)];
    QPalette palette = preview->palette();
    palette.setColor(QPalette::Text, ColorRef::ToQColor(colors.colors[2 * row]));
    palette.setColor(QPalette::Base, ColorRef::ToQColor(colors.colors[2 * row + 1]));
    preview->setPalette(palette);
}

void CQuorlFontDlg::OnChangeFont()
{
    // The chooser starts from the face that is really drawn and the size.
    QFont initial = BoardFont::ToFont(font);
    initial.setFamily(QFontInfo(initial).family());
    const std::optional<QFont> chosen = ChooserService::ChooseFont(this, initial);
    if (!chosen)
        return;
    font = BoardFont::FromFont(*chosen);
    ShowFontText();
    ApplyPreview();
}

void CQuorlFontDlg::OnColorButton(int index)
{
    // Like the system's chooser, it starts from black whatever the button shows.
    const std::optional<QColor> chosen = ChooserService::ChooseColor(this, QColor(Qt::black));
    if (!chosen)
        return;
    const auto at = static_cast<size_t>(index);
    colors.colors[at] = ColorRef::FromQColor(*chosen);
    colorButtons_[at]->Fill(colors.colors[at]);
    SetPreviewColors(index / 2);
}
