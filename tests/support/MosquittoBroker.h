#pragma once

// A real Mosquitto for a test: a plain and a TLS listener (CA, server and
// client certificates made by openssl now) on free loopback ports, and
// subscribers that are mosquitto_sub processes.
#include "FreePort.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace orvane {

class MosquittoBroker
{
public:
    QTemporaryDir dir;
    quint16 port = freeLoopbackPort();
    quint16 tlsPort = freeLoopbackPort();
    QProcess process;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString write(const QString &name, const QByteArray &text) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) > 0 ? file.fileName() : "";
    }
    // Persistent sessions: a subscriber misses nothing across a restart.
    bool start()
    {
        // A CA with server and client certificates for "localhost", and
        // another CA that signed neither.
        const QString certificates = "cd " + dir.path() + R"( && set -e
key() { openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout $1.key -subj /CN=$2 "${@:3}"; }
key ca TestCA -x509 -days 2 -out ca.crt; key other OtherCA -x509 -days 2 -out other.crt
printf 'subjectAltName=DNS:localhost' > ext
for n in server client; do key $n localhost -out $n.csr
openssl x509 -req -in $n.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile ext -out $n.crt; done)";
        if (!QFile::exists(path("ca.crt")) && QProcess::execute("bash", { "-c", certificates }))
            return false;
        // A port taken by another process since it was chosen: the first
        // start moves to other ports; a restart must keep its own.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (launch())
                return m_started = true;
            stop();
            if (!m_started)
                port = freeLoopbackPort(), tlsPort = freeLoopbackPort();
            QTest::qWait(200);
        }
        return false;
    }
    void stop() { process.terminate(), process.waitForFinished(10000); }
    ~MosquittoBroker() { stop(); }

private:
    bool m_started = false;
    bool launch()
    {
        const QString conf = write("broker.conf",
            QStringLiteral("log_type error\npersistence true\npersistence_location %1/\n"
                           "max_queued_messages 5000\nallow_anonymous true\nuser %4\n"
                           "listener %2 127.0.0.1\nlistener %3 127.0.0.1\ncafile %1/ca.crt\n"
                           "certfile %1/server.crt\nkeyfile %1/server.key\n"
                           "require_certificate true\n")
                .arg(dir.path())
                .arg(port)
                .arg(tlsPort)
                .arg(QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name))
                .toUtf8());
        const QString exe = QStandardPaths::findExecutable("mosquitto", { "/usr/sbin" });
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(exe.isEmpty() ? QStringLiteral("mosquitto") : exe, { "-c", conf });
        QTcpSocket probe;
        for (int i = 0; i < 100 && process.state() != QProcess::NotRunning; ++i) {
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (probe.waitForConnected(100))
                return true;
            QTest::qWait(100);
        }
        return false;
    }
};

// mosquitto_sub -v on "orvane/#": one "topic payload" line per message.
class Subscriber : public QProcess
{
public:
    QByteArrayList lines;
    Subscriber(quint16 port, const QStringList &options = {})
    {
        connect(this, &QProcess::readyReadStandardOutput, this, [this] {
            while (canReadLine())
                lines.append(readLine().chopped(1));
        });
        start("mosquitto_sub",
            QStringList { "-p", QString::number(port), "-v", "-t", "orvane/#" } + options);
    }
    ~Subscriber() override { kill(), waitForFinished(); }
};

} // namespace orvane
