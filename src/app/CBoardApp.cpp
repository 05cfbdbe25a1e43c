#include "app/CBoardApp.h"

#include "app/CMainDlg.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "core/RecordField.h"
#include "net/CBoardSocket.h"
#include "net/DatagramFormat.h"
#include "net/DatagramLog.h"
#include "net/OwnAddress.h"
#include "ui/AppLog.h"
#include "ui/MessageBoxService.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kPortInUse[] = "ソケットの作成に失敗(ポート番号:%1)\nこのポートは使用中の可能性があります\n"
                              "設定画面でポート番号を確認して下さい。";
constexpr size_t kBoardPathSize = 520;

} // namespace

CBoardApp::CBoardApp(SettingsStore& store, QObject* parent)
    : QObject(parent), store_(store), board_(&reporter_),
      presence_(own_, [this](DatagramKind kind, std::string_view text,
                             std::string_view target) { SendDatagram(kind, text, target); }),
      maxDatagramSize_(CBoardSocket::kMaxDatagramSize)
{
    extraHello_.setInterval(kExtraHelloIntervalMs);
    connect(&extraHello_, &QTimer::timeout, this, [this] {
        if (socket_ && socket_->IsOpen())
            socket_->SendExtra(FormatDatagram(DatagramKind::Hello, RecordField::Text(own_.user)));
    });
}

CBoardApp::~CBoardApp()
{
    mainWindow_.reset();
    socket_.reset();
}

bool CBoardApp::InitInstance(std::optional<int32_t> commandLinePort)
{
    if (!socket_)
        socket_ = std::make_unique<CBoardSocket>(
            [this](const char* bytes, size_t length) { OnDatagramReceived(bytes, length); });
    own_ = PeerRecord{};
    settings_ = GroupSettings{};
    mainWindow_ = std::make_unique<CMainDlg>(*this);
    reporter_.SetParent(mainWindow_.get());
    return mainWindow_->OnInitDialog(commandLinePort);
}

void CBoardApp::IdentifySelf()
{
    RecordField::Set(own_.host, Cp932Codec::FromUtf8(HostIdentity::HostName()));
    RecordField::Set(own_.address, OwnAddress::Find(own_.host));
    qCInfo(lcApp).noquote() << "identity host=" + QString::fromLocal8Bit(own_.host)
                            << "address=" + QString::fromLatin1(own_.address);
}

void CBoardApp::SetSettings(const GroupSettings& settings)
{
    settings_ = settings;
    RecordField::Set(own_.user, settings_.userName);
}

void CBoardApp::OpenBoardFile()
{
    if (settings_.messageFolder[0] == '\0')
        return;
    board_.CloseDocument();
    std::string path = Cp932Codec::ToUtf8(settings_.messageFolder) + CBoardData::kFileName;
    if (path.size() >= kBoardPathSize)
        path.resize(kBoardPathSize - 1);
    board_.SetFilePath(path);
}

void CBoardApp::SetFontAndColors(const QFont& font, const PriorityColors& colors)
{
    boardFont_ = font;
    colors_ = colors;
}

void CBoardApp::SetSocket(std::unique_ptr<CBoardSocket> socket) { socket_ = std::move(socket); }

uint16_t CBoardApp::MaxDatagramSize() const { return socket_ ? socket_->MaxDatagramSize() : maxDatagramSize_; }

std::string CBoardApp::FormatDatagram(DatagramKind kind, std::string_view text) const
{
    return DatagramFormat::Format(own_, static_cast<int32_t>(kind), text);
}

int CBoardApp::SendDatagram(DatagramKind kind, std::string_view text, std::string_view target,
                            std::string_view fallbackAddress)
{
    if (!socket_ || !socket_->IsOpen())
        return -1;
    return socket_->SendText(FormatDatagram(kind, text), target, fallbackAddress);
}

std::string_view CBoardApp::HostName() const { return RecordField::Text(own_.host); }

std::string_view CBoardApp::UserName() const { return RecordField::Text(own_.user); }

std::string CBoardApp::MessageFolder() const { return Cp932Codec::ToUtf8(settings_.messageFolder); }

// Named by the host, so that desks sharing a home folder keep their own
// marks, and by a hash of the board file's path.
std::string CBoardApp::ReadStatePath() const
{
    if (readStateFolder_.empty() || board_.FilePath().empty())
        return {};
    uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (const unsigned char byte : board_.FilePath())
        hash = (hash ^ byte) * 1099511628211ULL;
    std::string host;
    for (const char c : HostName())
        host += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ? c : '_';
    char name[24];
    std::snprintf(name, sizeof name, "-%016llx", static_cast<unsigned long long>(hash));
    return readStateFolder_ + "/" + host + name;
}

void CBoardApp::OnDatagramReceived(const char* bytes, size_t length)
{
    const std::optional<Datagram> datagram = DatagramFormat::Parse(std::string_view(bytes, length));
    if (!datagram) {
        DatagramLog::Malformed(length);
        return;
    }
    DatagramLog::Received(*datagram);
    if (presence_.IsOwnEcho(*datagram) || presence_.Handle(*datagram))
        return;
    if (mainWindow_)
        mainWindow_->OnDatagram(*datagram);
}

int CBoardApp::OpenSocket()
{
    socket_->SetExtraTargets(store_.ReadExtraTargets(RecordField::Text(settings_.groupName)));
    if (!socket_->Open(settings_.portNumber, false, maxDatagramSize_)) {
        MessageBoxService::Show(mainWindow_.get(), QString::fromUtf8(kPortInUse).arg(settings_.portNumber));
        return -1;
    }
    presence_.Opened();
    SendDatagram(DatagramKind::Hello, own_.user, {});
    if (socket_->HasExtraTargets())
        extraHello_.start();
    return 0;
}

void CBoardApp::SetExtraTargets(const std::vector<std::string>& targets)
{
    store_.WriteExtraTargets(RecordField::Text(settings_.groupName), targets);
    socket_->SetExtraTargets(targets);
    extraHello_.stop();
    // The members there learn of this one now, not at its next start.
    if (socket_->IsOpen()) {
        SendDatagram(DatagramKind::Hello, own_.user, {});
        if (!targets.empty())
            extraHello_.start();
    }
}

int CBoardApp::CloseSocket()
{
    // Nothing the member sent may be lost, nor come after the Goodbye.
    extraHello_.stop();
    socket_->SendWaiting();
    SendDatagram(DatagramKind::Goodbye, own_.host, {});
    socket_->Close();
    presence_.Closed();
    return 0;
}

int32_t CBoardApp::Port() const { return socket_ ? socket_->Port() : 0; }
