#pragma once

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace orvane {

// A web-hook receiver: a real HTTP server on a free loopback port, served by
// the event loop of the test's thread. It answers the first `failures`
// requests with `failStatus`, one that is not JSON with 415, every other
// with 200 (keeping its body), or, when `silent`, accepts and never answers.
class HttpReceiver : public QObject
{
public:
    int failures = 0;
    int failStatus = 500;
    bool silent = false;
    QByteArrayList bodies; // of the requests answered 200

    HttpReceiver()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/hooks/secret").arg(m_server.serverPort());
    }

private:
    void read(QTcpSocket *s)
    {
        // The request stays in the socket until all of it has arrived.
        const QByteArray in = s->peek(s->bytesAvailable());
        const qsizetype end = in.indexOf("\r\n\r\n");
        const QByteArray head = in.left(end).toLower();
        const qsizetype at = head.indexOf("content-length:");
        const int length = at < 0 ? 0 : head.mid(at + 15).split('\r').first().trimmed().toInt();
        if (end < 0 || in.size() < end + 4 + length || silent)
            return;
        int status = 200;
        if (failures-- > 0)
            status = failStatus;
        else if (!head.contains("\r\ncontent-type: application/json\r\n"))
            status = 415;
        else
            bodies += in.mid(end + 4, length);
        s->write("HTTP/1.1 " + QByteArray::number(status) + " -\r\n\r\n");
        s->disconnectFromHost();
    }
    QTcpServer m_server;
};

// A real SMTP server (aiosmtpd, tests/support/smtp_sink.py) on a free
// loopback port, writing each message it accepts to a file of its own;
// stopped with the object.
class SmtpSink
{
public:
    SmtpSink()
    {
        m_process.start(QStringLiteral("/usr/bin/python3"), { ORVANE_SMTP_SINK, m_dir.path() });
        m_process.waitForReadyRead(20000);
        m_url = QString::fromLatin1(m_process.readLine().trimmed());
    }
    QString url() const { return m_url; }
    QByteArrayList messages() const
    {
        QByteArrayList all;
        for (const QFileInfo &info : QDir(m_dir.path(), "*.eml", QDir::Name).entryInfoList()) {
            QFile file(info.filePath());
            all += file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
        return all;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_url;
};

} // namespace orvane
