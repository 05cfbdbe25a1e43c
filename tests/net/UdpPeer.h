#pragma once

#include <QUdpSocket>

#include <string>

// Sends raw bytes as another program could; false when they are refused.
inline bool SendRaw(const std::string& bytes, int port, const QHostAddress& to = QHostAddress::LocalHost)
{
    QUdpSocket raw;
    return raw.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), to, static_cast<quint16>(port)) ==
           static_cast<qint64>(bytes.size());
}
