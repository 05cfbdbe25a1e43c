#pragma once

#include "board/BoardMessage.h"

#include <QDialog>

#include <cstdint>
#include <string>

class CAttachFileList;
class CBoardData;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;

// What the editor needs of the program: the board store, where attachments
// go and who is writing.
struct BoardWriteContext
{
    CBoardData* board = nullptr;
    std::string messageFolder; // file-system path of the message file folder
    std::string hostName;      // CP932, this computer's
    std::string userName;      // CP932, the member's
};

// The modal window in which a member writes a new board message or changes
// one of his own: title, text, priority and attached files.
class CBoardWrite : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kModeNew = 1;
    static constexpr int kModeModify = 2;
    static constexpr int kTemplateWidth = 290;
    static constexpr int kTemplateHeight = 270;

    explicit CBoardWrite(const BoardWriteContext& context, QWidget* parent = nullptr);

    int mode = kModeNew;
    int32_t messageNumber = 0;
    BoardMessage record;
    int priorityIndex = 0;

    void OnAttachFile();
    void OnOK();
    void OnDeleteKey();


protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void LoadForModify();
    void Layout();
    void UpdateData(bool fromControls);
    bool TakeTypedText();
    bool WriteNew();
    bool WriteModified();
    bool CommitAttachments();
    void ReportFailure(const char* text);

    BoardWriteContext context_;
    QLabel* titleLabel_;
    QLineEdit* titleField_;
    QLabel* messageLabel_;
    QTextEdit* messageField_;
    QGroupBox* priorityGroup_;
    QButtonGroup* priorityButtons_;
    CAttachFileList* attachList_;
    QPushButton* attachButton_;
    QProgressBar* progress_;
    QLabel* progressLabel_;
    QPushButton* writeButton_;
    QPushButton* cancelButton_;
    QString typedTitle_;
    QString typedText_;
    bool initialised_ = false;
    // A new message the board already holds (its attachments failed to copy):
    // writing again updates it instead of adding it a second time.
    bool stored_ = false;
    // The message's attachment folder is named by another message too.
    bool sharedFolder_ = false;
};
