#include "net/ui/CReceiveDlg.h"

#include "core/Cp932Codec.h"
#include "net/ui/CMessageSend.h"
#include "net/ui/DirectMessageText.h"
#include "core/RecordField.h"
#include "ui/DialogUnits.h"
#include "ui/ModalRunner.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr const char* kCaption = "受信";
constexpr const char* kInformation = "Infomation";
constexpr const char* kSenderFormat = "FROM : %s";
constexpr const char* kDateFormat = "DATE : %04d年%02d月%02d日%02d時%02d分%02d秒";
constexpr const char* kArrivalText = "メッセージが届きました";
constexpr const char* kCloseText = "閉じる";
constexpr const char* kReplyText = "返信";

constexpr int kGroupInset = 20;
constexpr int kGroupTop = 10;
constexpr int kGroupHeight = 80;
constexpr int kLineLeft = 30;
constexpr int kLineRightInset = 25;
constexpr int kSenderTop = 30;
constexpr int kDateTop = 50;
constexpr int kLineHeight = 20;
constexpr int kTextInset = 20;
constexpr int kTextTop = 100;
constexpr int kTextBottomGap = 50;
constexpr int kCloseOffset = -100;
constexpr int kReplyOffset = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomGap = 40;

QDateTime SystemClock() { return QDateTime::currentDateTime(); }

QString SenderLineText(const PeerRecord& sender)
{
    return QString::asprintf(kSenderFormat, Cp932Codec::ToUtf8(RecordField::Text(sender.user)).c_str());
}

QString DateLineText(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::asprintf(kDateFormat, date.year(), date.month(), date.day(), time.hour(), time.minute(),
                             time.second());
}

} // namespace

CReceiveDlg::CReceiveDlg(PeerMessenger& messenger, const Datagram& received, QWidget* parent)
    : QDialog(parent),
      messenger_(messenger),
      received_(received),
      clock_(SystemClock),
      information_(new QGroupBox(QString::fromUtf8(kInformation), this)),
      senderLine_(new QLabel(this)),
      dateLine_(new QLabel(this)),
      messageText_(new QPlainTextEdit(this)),
      arrivalButton_(new QPushButton(QString::fromUtf8(kArrivalText), this)),
      closeButton_(new QPushButton(QString::fromUtf8(kCloseText), this)),
      replyButton_(new QPushButton(QString::fromUtf8(kReplyText), this))
{
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(DialogUnits::Dialog().Size(kTemplateWidth, kTemplateHeight));

    information_->setObjectName(QStringLiteral("information"));
    senderLine_->setObjectName(QStringLiteral("senderLine"));
    dateLine_->setObjectName(QStringLiteral("dateLine"));
    messageText_->setObjectName(QStringLiteral("receivedText"));
    arrivalButton_->setObjectName(QStringLiteral("arrivalButton"));
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    replyButton_->setObjectName(QStringLiteral("replyButton"));
    messageText_->setReadOnly(true);
    messageText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    messageText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageText_->setEnabled(false);
    closeButton_->setDefault(true);

    connect(arrivalButton_, &QPushButton::clicked, this, &CReceiveDlg::OnReveal);
    connect(closeButton_, &QPushButton::clicked, this, &CReceiveDlg::reject);
    connect(replyButton_, &QPushButton::clicked, this, &CReceiveDlg::OnReply);
}

void CReceiveDlg::showEvent(QShowEvent* event)
{
    if (!initialised_)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CReceiveDlg::OnInitDialog()
{
    initialised_ = true;
    senderLine_->setTextFormat(Qt::PlainText);
    dateLine_->setTextFormat(Qt::PlainText);
    senderLine_->setText(SenderLineText(received_.sender));
    dateLine_->setText(DateLineText(clock_()));
    messageText_->setPlainText(DirectMessageText::FromWire(received_.text));
    Layout();
    arrivalButton_->setFocus();
}

void CReceiveDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Layout();
}

void CReceiveDlg::Layout()
{
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int r = l + client.width();
    const int b = t + client.height();
    const int m = (r - l) / 2;
    information_->setGeometry(l + kGroupInset, t + kGroupTop, (r - kGroupInset) - (l + kGroupInset), kGroupHeight);
    senderLine_->setGeometry(l + kLineLeft, t + kSenderTop, (r - kLineRightInset) - (l + kLineLeft), kLineHeight);
    dateLine_->setGeometry(l + kLineLeft, t + kDateTop, (r - kLineRightInset) - (l + kLineLeft), kLineHeight);
    const QRect textRect(l + kTextInset, t + kTextTop, r - (l + kTextInset) - kTextInset,
                         b - (t + kTextTop) - kTextBottomGap);
    messageText_->setGeometry(textRect);
    arrivalButton_->setGeometry(textRect);
    closeButton_->setGeometry(m + kCloseOffset, b - kButtonBottomGap, kButtonWidth, kButtonHeight);
    replyButton_->setGeometry(m + kReplyOffset, b - kButtonBottomGap, kButtonWidth, kButtonHeight);
}

void CReceiveDlg::OnReveal()
{
    arrivalButton_->hide();
    messageText_->setEnabled(true);
    messageText_->setFocus();
}

void CReceiveDlg::OnReply()
{
    CMessageSend send(messenger_, this);
    send.SetPresetAddress(RecordField::Text(received_.sender.address));
    ModalRunner::Run(send);
    accept();
}
