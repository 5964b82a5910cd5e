#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>

namespace orvane {

// Asks the data server on `port` of this machine for one data line on a fresh
// connection; the line without its CR LF, or what arrived when it is not one.
inline QByteArray requestDataLine(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(3000))
        return "no connection";
    QByteArray received;
    socket.write("x\r\n");
    QElapsedTimer clock;
    clock.start();
    while (received.count("\r\n") < 2 && clock.elapsed() < 5000) {
        socket.waitForReadyRead(100);
        received += socket.readAll();
    }
    const QList<QByteArray> lines = received.split('\n');
    if (lines.size() < 2 || !lines[1].endsWith('\r'))
        return received;
    return lines[1].chopped(1);
}

} // namespace orvane
