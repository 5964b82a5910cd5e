#pragma once

// A real Mosquitto for a test: a plain and a TLS listener (CA, server and
// client certificates made by openssl now) on free loopback ports, and
// subscribers that are mosquitto_sub processes.
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
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
    quint16 port = freePort();
    quint16 tlsPort = freePort();
    QProcess process;

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // Persistent sessions, so a subscriber misses nothing across a restart.
    bool start()
    {
        if (!QFile::exists(path("ca.crt")) && !makeCertificates())
            return false;
        QFile conf(path("broker.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write(
            QStringLiteral("log_type error\npersistence true\npersistence_location %1/\n"
                           "max_queued_messages 5000\nper_listener_settings false\n"
                           "allow_anonymous true\nuser %4\nlistener %2 127.0.0.1\n"
                           "listener %3 127.0.0.1\ncafile %1/ca.crt\ncertfile "
                           "%1/server.crt\nkeyfile %1/server.key\nrequire_certificate true\n")
                .arg(dir.path())
                .arg(port)
                .arg(tlsPort)
                .arg(QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name))
                .toUtf8());
        conf.close();
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
            { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin") });
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(exe.isEmpty() ? QStringLiteral("mosquitto") : exe, { "-c", conf.fileName() });
        QTcpSocket probe;
        for (int i = 0; i < 100 && process.state() != QProcess::NotRunning; ++i) {
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (probe.waitForConnected(100))
                return true;
            QTest::qWait(100);
        }
        return false;
    }
    void stop()
    {
        process.terminate();
        process.waitForFinished(10000);
    }
    ~MosquittoBroker() { stop(); }

    // A CA with a server certificate for "localhost" and a client
    // certificate, and another CA that signed neither.
    bool makeCertificates()
    {
        const char *script = R"(set -e
key() { openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout $1.key -subj /CN=$2 "${@:3}"; }
key ca TestCA -x509 -days 2 -out ca.crt
key other OtherCA -x509 -days 2 -out other.crt
for n in server client; do
  key $n localhost -out $n.csr
  printf 'subjectAltName=DNS:localhost' > ext
  openssl x509 -req -in $n.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile ext -out $n.crt
done)";
        QProcess sh;
        sh.setWorkingDirectory(dir.path());
        sh.start(QStringLiteral("bash"), { "-c", QLatin1String(script) });
        return sh.waitForFinished(60000) && sh.exitCode() == 0;
    }
};

// mosquitto_sub -v: one "topic payload" line per message, collected.
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
        start(QStringLiteral("mosquitto_sub"),
            QStringList { "-p", QString::number(port), "-v", "-t", "orvane/#" } + options);
    }
    ~Subscriber() override
    {
        kill();
        waitForFinished();
    }
    qsizetype count(const QByteArray &line) const { return lines.count(line); }
    // Waits until the subscription stands: a probe message comes back.
    bool subscribed(quint16 port)
    {
        for (int i = 0; i < 100 && !lines.contains("orvane/probe x"); ++i) {
            QProcess::execute(QStringLiteral("mosquitto_pub"),
                { "-p", QString::number(port), "-t", "orvane/probe", "-m", "x" });
            QTest::qWait(200);
        }
        return lines.contains("orvane/probe x");
    }
};

} // namespace orvane
