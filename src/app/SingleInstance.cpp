#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
constexpr char kPortAnswer[] = "port ";

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), name_(key) {}

QString SingleInstance::KeyFor(const QString& settingsFolder)
{
    QByteArray digest = QCryptographicHash::hash(settingsFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("quorlboard-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

std::optional<int32_t> SingleInstance::NotifyRunning()
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    int32_t port = 0;
    while (!socket.canReadLine() && socket.waitForReadyRead(kConnectTimeoutMs)) {
    }
    if (const QByteArray answer = socket.readLine().trimmed(); answer.startsWith(kPortAnswer))
        port = answer.mid(static_cast<qsizetype>(sizeof kPortAnswer - 1)).toInt();
    socket.disconnectFromServer();
    return port;
}

bool SingleInstance::Listen(PortSource port)
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(name_))
        return false;
    connect(server_, &QLocalServer::newConnection, this, [this, port = std::move(port)] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client, port] {
                if (!client->readAll().startsWith("show"))
                    return;
                client->write(kPortAnswer + QByteArray::number(port ? port() : 0) + '\n');
                emit showRequested();
            });
        }
    });
    return true;
}
