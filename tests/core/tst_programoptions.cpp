// The command line over the configuration file: values that reach the run,
// and the one line a bad file gives.
#include "app/ProgramOptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class TestProgramOptions : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString write(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("orvane-monitor.conf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile secret(m_dir.filePath(QStringLiteral("secret")));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("s3cret\n");
    }

    void fileAndCommandLine_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("arguments");
        // The problem line after "FILE: ", or the options as one text.
        QTest::addColumn<QString>("expected");

        QTest::newRow("mqtt") << QByteArray(
            "[mqtt]\nurl = mqtts://broker.plant:8884\nqos = 0\npassword-file = "
            "secret\ncommands = yes\n")
                              << QStringList()
                              << "mqtts broker.plant:8884 qos 0 password 6 commands 1";
        QTest::newRow("command line over the file")
            << QByteArray("[data-service]\nport = 6000\n[mqtt]\nurl = mqtt://a\n")
            << QStringList { "--port", "7000", "--mqtt", "mqtt://b:1" }
            << "mqtt b:1 qos 1 password 0 commands 0 port 7000";
        QTest::newRow("notify") << QByteArray("[notify]\nsmtp-url = smtp://mail:2525\nmail-from = "
                                              "a@plant\nmail-to = b@plant, c@plant\nevents = "
                                              "raised, module\n")
                                << QStringList() << "to 2 raised 1 cleared 0 module 1";
        QTest::newRow("number out of range")
            << QByteArray("[mqtt]\nqos = 3\n") << QStringList()
            << "[mqtt] qos: \"3\" is not a whole number from 0 to 1";
        QTest::newRow("unknown section")
            << QByteArray("[mqt]\nurl = mqtt://a\n") << QStringList() << "[mqt]: unknown section";
        QTest::newRow("unknown key")
            << QByteArray("[mqtt]\nuser = x\n") << QStringList() << "[mqtt] user: unknown key";
        QTest::newRow("key outside a section")
            << QByteArray("port = 1\n") << QStringList() << "port: key outside a section";
        QTest::newRow("bad url") << QByteArray("[mqtt]\nurl = http://a\n") << QStringList()
                                 << "[mqtt] url: \"http://a\" is not mqtt://host[:port] or "
                                    "mqtts://host[:port]";
        QTest::newRow("missing secret")
            << QByteArray("[mqtt]\npassword-file = nothing\n") << QStringList()
            << "[mqtt] password-file: \"DIR/nothing\" cannot be "
               "read: no such file";
        QTest::newRow("mail without sender")
            << QByteArray("[notify]\nsmtp-url = smtp://h\nmail-to = a@b\n") << QStringList()
            << "[notify] mail-from: needed with smtp-url";
        QTest::newRow("header injection")
            << QByteArray("[notify]\nmail-to = \"a@b\\r\\nBcc: c@d\"\n") << QStringList()
            << "[notify] mail-to: holds a control character";
        QTest::newRow("line without =") << QByteArray("[mqtt]\n#qos = 3\nqos 1\n") << QStringList()
                                        << "line 3: not a [section], a key = value or a comment";
        QTest::newRow("bad flag") << QByteArray("[device]\nreconnect = sometimes\n")
                                  << QStringList()
                                  << "[device] reconnect: \"sometimes\" is not true or false";
    }

    void fileAndCommandLine()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const QString path = write(file);
        ProgramOptions o;
        QString error;
        const bool ok = readProgramOptions(
            QStringList { "orvane-monitor", "--config", path } + arguments, &o, &error);
        if (!ok) {
            QVERIFY2(error.startsWith(path + ": "), qPrintable(error));
            QCOMPARE(error.mid(path.size() + 2).replace(m_dir.path(), "DIR"), expected);
            QVERIFY(!error.contains("s3cret"));
            return;
        }
        const MqttSettings &m = o.session.mqtt;
        const NotifySettings &n = o.session.notify;
        QString got;
        if (m.enabled())
            got = QStringLiteral("%1 %2:%3 qos %4 password %5 commands %6")
                      .arg(m.tls ? "mqtts" : "mqtt", m.host)
                      .arg(m.port)
                      .arg(m.qos)
                      .arg(m.password.size())
                      .arg(int(m.commands));
        if (arguments.contains("--port"))
            got += QStringLiteral(" port %1").arg(o.session.dataPort);
        if (n.enabled())
            got = QStringLiteral("to %1 raised %2 cleared %3 module %4")
                      .arg(n.mailTo.size())
                      .arg(int(n.raised))
                      .arg(int(n.cleared))
                      .arg(int(n.module));
        QCOMPARE(got, expected);
    }

    void unreadableFile()
    {
        ProgramOptions o;
        QString error;
        QVERIFY(!readProgramOptions(
            { "orvane-monitor", "--config", m_dir.filePath("none.conf") }, &o, &error));
        QCOMPARE(error, m_dir.filePath("none.conf") + ": cannot be read: no such file");
    }
};

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "tst_programoptions.moc"
