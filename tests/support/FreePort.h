#pragma once

// A free loopback port for a server that a test starts in another process.
// It is taken below the system's ephemeral range (32768 and up), so the
// outgoing connections of tests running beside this one cannot be given the
// same port between this check and the server's own bind.
#include <QRandomGenerator>
#include <QTcpServer>

namespace orvane {

inline quint16 freeLoopbackPort()
{
    for (;;) {
        QTcpServer probe;
        const auto port = quint16(QRandomGenerator::global()->bounded(20000, 32000));
        if (probe.listen(QHostAddress::LocalHost, port))
            return port;
    }
}

} // namespace orvane
