#pragma once

#include "settings/SettingsRecords.h"

#include <QDialog>
#include <QString>


class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class SettingsStore;

// The settings window: message file folder, user name, pop-up on receipt and
// port, for the group that was current when it opened. It edits the members
// only; the caller presets them, runs the window and after OK takes them back.
class CSettingDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr QChar kSeparator = u'/';

    // The store lists the groups (its root's sub-keys) when the window opens.
    explicit CSettingDlg(SettingsStore& store, QWidget* parent = nullptr);

    // Copies a record's CP932 fields into the members, and back. The members
    // fit the record once the window has closed with OK; longer text is cut
    // at a character boundary.
    void SetFrom(const GroupSettings& settings);
    void CopyTo(GroupSettings& settings) const;

    QString messageFolder;
    QString userName;
    QString groupName;
    int popupOnReceipt = 0;
    int portNumber = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void FillGroupList();
    void OnSelectFolder();
    void OnOK();

    void PutToControls();
    // Takes the members from the controls in the order of the fields; stops
    // with a message at the first field that cannot be taken.
    bool TakeFromControls();
    void SelectGroup();
    // Offers to create an empty board when the folder holds none. False when
    // that failed and the window must stay open.
    bool OfferEmptyBoard();
    void Refuse(QWidget* field, const QString& text);

    SettingsStore& store_;
    bool initialized_ = false;
    QLineEdit* folderEdit_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QCheckBox* popupCheck_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    QComboBox* groupCombo_ = nullptr;
};
