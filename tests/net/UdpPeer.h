#pragma once

#include <QUdpSocket>

#include <string>

// A port free now, in the range the settings accept (1500..60000).
inline int FreePort()
{
    for (;;) {
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0);
        if (probe.localPort() >= 1500 && probe.localPort() <= 60000)
            return probe.localPort();
    }
}

// Sends raw bytes as another program could; false when they are refused.
inline bool SendRaw(const std::string& bytes, int port, const QHostAddress& to = QHostAddress::LocalHost)
{
    QUdpSocket raw;
    return raw.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), to, static_cast<quint16>(port)) ==
           static_cast<qint64>(bytes.size());
}
