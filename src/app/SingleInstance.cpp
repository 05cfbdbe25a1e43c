#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), name_(key) {}

QString SingleInstance::KeyFor(const QString& settingsFolder)
{
    QByteArray digest = QCryptographicHash::hash(settingsFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("quorlboard-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::NotifyRunning()
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(name_))
        return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().startsWith("show"))
                    emit showRequested();
            });
        }
    });
    return true;
}
