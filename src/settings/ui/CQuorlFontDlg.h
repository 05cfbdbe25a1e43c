#pragma once

#include "settings/SettingsRecords.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <array>

class CColorButton;
class QLineEdit;

// The font and colour window: the board font and the text and background
// colours of the three priorities, with a preview per priority. It edits the
// members only; the caller stores and applies them after OK.
class CQuorlFontDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kRows = 3; // urgent, notice, normal

    CQuorlFontDlg(const FontDescription& font, const PriorityColors& colors, QWidget* parent = nullptr);

    FontDescription font; // height in tenths of a point
    PriorityColors colors;

private:
    void CreateControls();
    void OnInitDialog();
    void ShowFontText();
    void ApplyPreview();
    void SetPreviewColors(int row);
    void OnChangeFont();
    void OnColorButton(int index);

    QLineEdit* faceEdit_ = nullptr;
    QLineEdit* sizeEdit_ = nullptr;
    std::array<CColorButton*, PriorityColors::kCount> colorButtons_{};
    std::array<QLineEdit*, kRows> previews_{};
};
