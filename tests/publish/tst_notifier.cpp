// Notifications from the outside: the simulated network in, a real SMTP
// server (aiosmtpd) and a real HTTP receiver out, with short delays.
#include "FakePorts.h"
#include "NotifyServers.h"
#include "acquisition/ThdTimer.h"
#include "app/OrvaneSession.h"
#include "common/Text1252.h"
#include "modules/NumberText.h"
#include "publish/Notifier.h"
#include "sim/SimDriver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace orvane;

namespace {
NotifySettings quick(const QString &hook, const QString &smtp, const QString &to = "on@plant.ex")
{
    NotifySettings n;
    n.webhookUrl = hook;
    n.smtpUrl = smtp;
    n.mailFrom = QStringLiteral("orvane@plant.ex");
    n.mailTo = QStringList { to };
    n.minIntervalS = 0;
    // Batches of 1 s, retries from 50 ms on for 1 s, transfers of 400 ms.
    n.timing = NotifyTiming { 1000, 60000, 50, 300000, 1000, 10000, 400, 3000, 20, {} };
    return n;
}

struct Rig : FakePortSet
{
    ManualSimClock clock;
    std::unique_ptr<OrvaneSession> session;
    QList<PlantEvent> events;

    explicit Rig(NotifySettings notify)
    {
        notify.timing.clockMs = [this] { return clock.nowMs(); };
        OrvaneSession::Options options;
        options.dataPort = 0;
        options.startTimer = false;
        options.notify = notify;
        session = std::make_unique<OrvaneSession>(
            std::make_unique<SimDriver>(builtInScenario(), clock), ports(), options);
        session->acquisition()->IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        QObject::connect(session.get(), &OrvaneSession::plantEvent,
            [this](const PlantEvent &e) { events.append(e); });
        session->start("2.2.0.0");
        ticks(1 + 5 * 2); // the start-up scan; alarms count from the second reply on
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(180);
            session->acquisition()->MainTimerTimer();
        }
    }
    TSignalRecord &signal(int slot, int i)
    {
        return session->acquisition()->ModObject[slot]->Signals[i];
    }
};

QJsonObject json(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}
} // namespace

class TestNotifier : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void alarmsBecomeMailsAndPosts()
    {
        HttpReceiver hook;
        SmtpSink smtp;
        NotifySettings n = quick(hook.url(), smtp.url());
        n.minIntervalS = 300;
        Rig rig(n);
        rig.signal(1, 1).AlarmHigh = 2.5; // input 1's sine wave crosses it and comes back
        rig.signal(1, 1).Unit = "\xB0"
                                "C"; // Windows-1252: a subject that is not ASCII
        const QRegularExpression shape(
            "^Date: \\w{3}, \\d\\d \\w{3} \\d{4} [\\d:]{8} [+-]\\d{4}\r\n.*\r\nMessage-ID: "
            "<[^ @]+@[^ @]+>\r\n.*\n  Time: [\\d-]{10} [\\d:]{8} [+-]\\d\\d:\\d\\d \\(.+\\)\n.*"
            "\nDefects: 0$",
            QRegularExpression::DotMatchesEverythingOption);
        for (int i = 0; i < 2; ++i) {
            for (int cycle = 0; cycle < 60 && rig.events.size() <= i; ++cycle)
                rig.ticks(5);
            QTRY_COMPARE(hook.bodies.size(), i + 1);
            QTRY_COMPARE(smtp.messages().size(), i + 1);
            const PlantEvent &e = rig.events[i];
            QJsonObject o = json(hook.bodies[i]);
            QCOMPARE(o.take("value").toDouble(), e.value);
            QCOMPARE(o.take("text").toString(), fromWindows1252(e.text)); // the alarm memo's line
            QVERIFY(o.take("time").toString().contains('T'));
            QCOMPARE(o,
                json("{\"interface\": \"OVI00001\", \"module\": \"0x1004A2\", \"index\": 1, "
                     "\"name\": "
                     "\"Analog Input 1\", \"unit\": \"\\u00b0C\", \"high\": 2.5, \"low\": -1000, "
                     "\"held\": 0, \"event\": \""
                    + QByteArray(i ? "cleared" : "raised") + "\"}"));
            const QString mail = QString::fromUtf8(smtp.messages()[i]);
            QVERIFY2(mail.contains(
                         QString::fromUtf8("--decoded--\nSubject: Orvane alarm: 0x1004A2 "
                                           "Analog Input 1 "
                             + formatTwoDecimals(e.value) + " °C" + (i ? " cleared" : "") + '\n')
                         + fromWindows1252(e.text) + '\n'),
                qPrintable(mail));
            QVERIFY(mail.contains("  Limits: high 2.50, low")
                && mail.contains(QSysInfo::machineHostName()));
            QVERIFY(shape.match(mail).hasMatch() && mail.contains("\r\nSubject: =?UTF-8?B?"));
        }
        // A storm: ten alarms raised and cleared within a second are one mail.
        rig.signal(1, 1).AlarmHigh = 1e9;
        for (const double high : { -1e9, 1e9 }) {
            for (int i = 2; i <= 11; ++i)
                rig.signal(i < 7 ? 1 : 3, i < 7 ? i : i - 5).AlarmHigh = high;
            rig.ticks(5);
            QTest::qWait(300);
        }
        QTRY_COMPARE(smtp.messages().size(), 3);
        QVERIFY(smtp.messages()[2].contains("\r\nSubject: Orvane: 20 events\r\n"));
        // Raised again, cleared, raised within min-interval: held back, and
        // told with the count once the interval is over.
        for (const double high : { -1e9, 1e9, -1e9 }) {
            rig.signal(1, 2).AlarmHigh = high;
            rig.ticks(5);
        }
        QTRY_COMPARE(hook.bodies.size(), 22);
        rig.clock.advanceMs(300 * 1000);
        QTRY_COMPARE(hook.bodies.size(), 23);
        QCOMPARE(json(hook.bodies[22])["event"].toString(), "raised");
        QCOMPARE(json(hook.bodies[22])["held"].toInt(), 3);
        QTRY_COMPARE(smtp.messages().size(), 4);
        QVERIFY(smtp.messages()[3].contains("\n  Held back: 3 event(s) of this signal"));
    }

    void failuresAreRetriedOrReportedOnce_data()
    {
        QTest::addColumn<int>("status"); // of the web hook's failures; -1: it never answers
        QTest::addColumn<int>("failures");
        QTest::addColumn<QString>("mailTo"); // a mail instead of the web hook
        QTest::addColumn<QByteArrayList>("lines"); // the event log's, after the channel
        QTest::newRow("HTTP 500 twice")
            << 500 << 2 << "" << QByteArrayList { "HTTP 500, trying again", "delivered again" };
        QTest::newRow("HTTP 400") << 400 << 1 << ""
                                  << QByteArrayList { "HTTP 400, not sent (1 event)" };
        QTest::newRow("silent") << -1 << 0 << ""
                                << QByteArrayList { "Timeout was reached, trying again",
                                       "1 event dropped, not delivered within 1 s (Timeout was "
                                       "reached)" };
        QTest::newRow("SMTP 451 twice")
            << 0 << 0 << "busy@plant.ex"
            << QByteArrayList { "SMTP 451, trying again", "delivered again" };
        QTest::newRow("SMTP 550") << 0 << 0 << "reject@plant.ex"
                                  << QByteArrayList { "SMTP 550, not sent (1 event)" };
    }
    void failuresAreRetriedOrReportedOnce()
    {
        QFETCH(int, status);
        QFETCH(int, failures);
        QFETCH(QString, mailTo);
        QFETCH(QByteArrayList, lines);
        HttpReceiver hook;
        hook.failStatus = status;
        hook.failures = failures;
        hook.silent = status == -1;
        std::optional<SmtpSink> smtp;
        if (!mailTo.isEmpty())
            smtp.emplace();
        NotifySettings n = smtp ? quick({}, smtp->url(), mailTo) : quick(hook.url(), {});
        n.timing.batchMs = 0;
        FakeLogMemo log;
        Notifier notifier(n, &log);
        notifier.notify(PlantEvent {});
        QTRY_VERIFY(log.history.size() >= lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY2(log.history[i].endsWith(": " + lines[i]), log.history[i].constData());
            QVERIFY(!log.history[i].contains("secret"));
        }
    }

    void notifyTestExitCodes_data()
    {
        QTest::addColumn<QString>("config"); // %1: the web hook, %2: the SMTP server
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("nothing configured")
            << "" << 1 << QByteArray("no notification is configured");
        QTest::newRow("both delivered")
            << "[notify]\nwebhook-url = %1\nsmtp-url = %2\nmail-from = a@pl.ex\nmail-to = b@pl.ex\n"
            << 0 << QByteArray(": delivered\nE-mail smtp://127.0.0.1:");
        QTest::newRow("web hook refused") << "[notify]\nwebhook-url = http://127.0.0.1:1/\n"
                                          << 1 << QByteArray(": not delivered: Couldn't connect");
    }
    void notifyTestExitCodes()
    {
#ifndef ORVANE_MONITOR
        QSKIP("the program is not built");
#else
        QFETCH(QString, config);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        HttpReceiver hook;
        SmtpSink smtp;
        QFile file(m_dir.filePath(QStringLiteral("notify.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(config.replace("%1", hook.url()).replace("%2", smtp.url()).toUtf8());
        file.close();
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(
            QStringLiteral(ORVANE_MONITOR), { "--notify-test", "--config", file.fileName() });
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 30000);
        const QByteArray printed = program.readAll();
        QVERIFY2(printed.contains(output), printed.constData());
        QCOMPARE(program.exitCode(), exitCode);
#endif
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
