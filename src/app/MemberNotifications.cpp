#include "app/MemberNotifications.h"

#include "core/Cp932Codec.h"
#include "ui/AppLog.h"
#include "ui/DesktopNotifier.h"

#include <QSystemTrayIcon>

namespace {

constexpr const char* kBoardSummary = "掲示板";
constexpr const char* kMessageSummary = "メッセージ";
constexpr const char* kMoreMessagesFormat = " ほか %1 件";
constexpr const char* kBoardChannel = "board";
constexpr const char* kMessageChannel = "message";
// Payloads: "board:<number>" for a board change, "message" for direct messages.
constexpr const char* kBoardPayload = "board:";

MemberNotifications::Factory& TheFactory()
{
    static MemberNotifications::Factory factory;
    return factory;
}

QString FromCp932(std::string_view text) { return QString::fromStdString(Cp932Codec::ToUtf8(text)); }

QString Named(std::string_view name, std::string_view detail)
{
    return FromCp932(name) + QStringLiteral("（") + FromCp932(detail) + QStringLiteral("）");
}

} // namespace

void MemberNotifications::SetFactory(Factory factory) { TheFactory() = std::move(factory); }

MemberNotifications::MemberNotifications(QSystemTrayIcon* tray, std::function<bool()> trayShown, QObject* parent)
    : QObject(parent),
      notifier_(TheFactory() ? TheFactory()(this) : new DesktopNotifier(this)),
      tray_(tray),
      trayShown_(std::move(trayShown))
{
    connect(notifier_, &DesktopNotifier::actionInvoked, this, &MemberNotifications::OnChosen);
    connect(notifier_, &DesktopNotifier::failed, this, &MemberNotifications::ShowBalloon);
    if (tray_ != nullptr)
        connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { OnChosen(balloonPayload_); });
    messageQuiet_.setSingleShot(true);
    messageQuiet_.setInterval(kMessageQuietMs);
    connect(&messageQuiet_, &QTimer::timeout, this, &MemberNotifications::NotifyFoldedMessages);
}

void MemberNotifications::BoardChanged(int32_t number, std::string_view title, std::string_view poster)
{
    if (!on_ || stopped_)
        return;
    qCInfo(lcApp) << "notification board number" << number;
    notifier_->Notify(QString::fromLatin1(kBoardChannel), QString::fromUtf8(kBoardSummary), Named(title, poster),
                      QString::fromLatin1(kBoardPayload) + QString::number(number));
}

void MemberNotifications::DirectMessage(std::string_view user, std::string_view host)
{
    if (!on_ || stopped_)
        return;
    foldedSender_ = Named(user, host);
    ++foldedMessages_;
    if (!messageQuiet_.isActive())
        NotifyFoldedMessages();
}

void MemberNotifications::NotifyFoldedMessages()
{
    if (foldedMessages_ == 0 || !on_ || stopped_)
        return;
    QString body = foldedSender_;
    if (foldedMessages_ > 1)
        body += QString::fromUtf8(kMoreMessagesFormat).arg(foldedMessages_ - 1);
    foldedMessages_ = 0;
    qCInfo(lcApp) << "notification direct message";
    notifier_->Notify(QString::fromLatin1(kMessageChannel), QString::fromUtf8(kMessageSummary), body,
                      QString::fromLatin1(kMessageChannel));
    messageQuiet_.start();
}

void MemberNotifications::Stop()
{
    stopped_ = true;
    messageQuiet_.stop();
}

void MemberNotifications::ShowBalloon(const QString& summary, const QString& body, const QString& payload)
{
    if (stopped_ || tray_ == nullptr || !trayShown_())
        return;
    balloonPayload_ = payload;
    qCInfo(lcApp) << "notification in the tray balloon";
    tray_->showMessage(summary, body, QSystemTrayIcon::Information, kBalloonMs);
}

void MemberNotifications::OnChosen(const QString& payload)
{
    if (stopped_)
        return;
    if (payload.startsWith(QLatin1String(kBoardPayload)))
        emit boardChosen(payload.mid(static_cast<int>(std::char_traits<char>::length(kBoardPayload))).toInt());
    else if (payload == QLatin1String(kMessageChannel))
        emit messagesChosen();
}
