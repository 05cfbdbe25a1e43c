#pragma once

#include "settings/SettingsRecords.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class CBoardApp;
class QLabel;

// The board view, a borderless child covering the main window's client
// area. For now it shows where the board will be; the main window already
// drives it through the operations below.
class CBoardDlg : public QWidget
{
    Q_OBJECT

public:
    CBoardDlg(CBoardApp& app, QWidget* parent);

    // Reloads the title list from the board file, selecting the message with
    // that number if given.
    void RefreshTitles(std::optional<int32_t> selectNumber);
    void ApplyFontAndColors(const QFont& font, const PriorityColors& colors);
    ColumnWidths GetColumnWidths() const;

    int RefreshCount() const { return refreshCount_; }
    std::optional<int32_t> LastSelected() const { return lastSelected_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CBoardApp& app_;
    QLabel* placeholder_;
    int refreshCount_ = 0;
    std::optional<int32_t> lastSelected_;
};
