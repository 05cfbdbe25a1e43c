#pragma once

#include <QDialog>

#include <string>
#include <string_view>

class CParties;
class PeerMessenger;
class QPlainTextEdit;
class QPushButton;

// The window in which a direct message is written and its recipients chosen;
// each selected member gets a DirectMessage datagram of its own.
class CMessageSend : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateWidth = 286;
    static constexpr int kTemplateHeight = 259;

    explicit CMessageSend(PeerMessenger& messenger, QWidget* parent = nullptr);

    // CP932 address of the member to select when the window opens.
    void SetPresetAddress(std::string_view address) { presetAddress_ = address; }

    void OnOK();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void Layout();
    bool FitsOneDatagram(const std::string& text);

    PeerMessenger& messenger_;
    CParties* recipients_;
    QPlainTextEdit* messageText_;
    QPushButton* sendButton_;
    std::string presetAddress_;
    bool initialised_ = false;
};
