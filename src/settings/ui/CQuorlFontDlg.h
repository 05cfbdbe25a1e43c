#pragma once

#include "settings/SettingsRecords.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <array>
#include <functional>
#include <optional>

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

    // The chosen font or colour, nothing when cancelled.
    using FontChooser = std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)>;
    using ColorChooser = std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)>;
    // Replace the system's choosers; an empty one restores it.
    static void SetFontChooser(FontChooser chooser);
    static void SetColorChooser(ColorChooser chooser);

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
