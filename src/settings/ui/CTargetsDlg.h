#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;

// "送信先の追加": the group's extra destinations of the broadcasts, for
// members on other subnets, with add and remove. Enter in the entry field
// adds what was typed; several entries may be typed separated by commas.
class CTargetsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CTargetsDlg(const std::vector<std::string>& targets, QWidget* parent = nullptr);

    std::vector<std::string> Targets() const;
    // Adds the entries typed; a refused one is named in a message box, the
    // others are added and the refused text stays to be corrected (false).
    bool AddTyped();
    void RemoveSelected();

private:
    QListWidget* list_;
    QLineEdit* entry_;
};
