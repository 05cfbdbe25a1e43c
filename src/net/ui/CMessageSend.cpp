#include "net/ui/CMessageSend.h"

#include "core/Cp932Codec.h"

#include "net/ui/CParties.h"
#include "net/ui/DirectMessageText.h"
#include "net/PeerMessenger.h"
#include "core/RecordField.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBoxService.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr const char* kCaption = "送信";
constexpr const char* kSendText = "送信";
constexpr const char* kTooLong = "メッセージが長すぎて送信できません。\n（送信できるのは %d バイトまでです。現在 %d バイト）";

constexpr int kMargin = 10;
constexpr const char* kUnsendable = "送信できない文字（絵文字など）が含まれています。\n取り除いてから送信して下さい。";
constexpr double kListShare = 0.4;
constexpr int kTextBottomGap = 50;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomGap = 40;

} // namespace

CMessageSend::CMessageSend(PeerMessenger& messenger, QWidget* parent)
    : QDialog(parent),
      messenger_(messenger),
      recipients_(new CParties(messenger, this)),
      messageText_(new QPlainTextEdit(this)),
      sendButton_(new QPushButton(QString::fromUtf8(kSendText), this))
{
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(DialogUnits::Dialog().Size(kTemplateWidth, kTemplateHeight));

    recipients_->setObjectName(QStringLiteral("recipients"));
    messageText_->setObjectName(QStringLiteral("messageText"));
    sendButton_->setObjectName(QStringLiteral("sendButton"));
    messageText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messageText_->setTabChangesFocus(true);
    sendButton_->setDefault(true);
    connect(sendButton_, &QPushButton::clicked, this, &CMessageSend::OnOK);
}

void CMessageSend::showEvent(QShowEvent* event)
{
    if (!initialised_)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CMessageSend::OnInitDialog()
{
    initialised_ = true;
    recipients_->InitColumns();
    recipients_->Fill(presetAddress_);
    Layout();
}

void CMessageSend::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Layout();
}

void CMessageSend::Layout()
{
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int W = client.width();
    const int H = client.height();
    const int b = t + H;
    const int s = static_cast<int>(H * kListShare);
    recipients_->setGeometry(l + kMargin, t + kMargin, W - 2 * kMargin, s - t - 2 * kMargin);
    messageText_->setGeometry(l + kMargin, s, W - 2 * kMargin, b - s - kTextBottomGap);
    sendButton_->setGeometry(W / 2 - kButtonWidth / 2, b - kButtonBottomGap, kButtonWidth, kButtonHeight);
}

bool CMessageSend::FitsOneDatagram(const std::string& text)
{
    const int limit = messenger_.MaxDatagramSize();
    const int wireSize = static_cast<int>(messenger_.FormatDatagram(DatagramKind::DirectMessage, text).size());
    if (wireSize <= limit)
        return true;
    const int textSize = static_cast<int>(text.size());
    const int allowed = std::max(0, limit - (wireSize - textSize));
    MessageBoxService::Show(this, QString::asprintf(kTooLong, allowed, textSize), MessageBoxService::Buttons::Ok,
                            MessageBoxService::Icon::Exclamation);
    return false;
}

void CMessageSend::OnOK()
{
    const std::vector<int> rows = recipients_->SelectedRows();
    if (rows.empty())
        return;
    const QString typed = messageText_->toPlainText();
    if (!Cp932Codec::IsRepresentable(typed.toStdString())) {
        MessageBoxService::Show(this, QString::fromUtf8(kUnsendable), MessageBoxService::Buttons::Ok,
                                MessageBoxService::Icon::Exclamation);
        return;
    }
    const std::string text = DirectMessageText::ToWire(typed);
    if (!FitsOneDatagram(text))
        return;
    for (int row : rows) {
        const PeerRecord& peer = recipients_->Entry(row);
        const std::string_view host = RecordField::Text(peer.host);
        const std::string_view address = RecordField::Text(peer.address);
        // An empty target would broadcast the message to everyone.
        const std::string_view target = host.empty() ? address : host;
        if (!target.empty())
            messenger_.SendDatagram(DatagramKind::DirectMessage, text, target, address);
    }
    accept();
}
