// The program run without a window, as a service runs it: no display, the
// data service on its port, operator messages as console lines, and a clean
// end with exit code 0 on SIGTERM.
#include "DataLineRequest.h"
#include "FreePort.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestHeadless : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void servesAndEndsCleanly_data()
    {
        QTest::addColumn<QByteArray>("scenario"); // empty: the built-in network
        QTest::addColumn<QByteArray>("firstModule");
        QTest::addColumn<QByteArray>("consoleLine");
        QTest::newRow("built-in network")
            << QByteArray() << QByteArray("#0x1004A2,,") << QByteArray("Orvane System 2.2.0.0");
        // A module of unknown type: the message box becomes a console line
        // and the start-up scan goes on instead of waiting for a click.
        QTest::newRow("unsupported type")
            << QByteArray(R"({"modules": [{"band": 0, "type": 3, "serial": "0x3000C1"},
                                         {"band": 1, "type": 1, "serial": "0x1000D2"}]})")
            << QByteArray("#0x1000D2,,")
            << QByteArray("Module Type Error: A module of type 3 is detected.");
    }
    void servesAndEndsCleanly()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(QByteArray, firstModule);
        QFETCH(QByteArray, consoleLine);
        const quint16 port = orvane::freeLoopbackPort();
        QStringList args { "--headless", "--port", QString::number(port) };
        if (scenario.isEmpty()) {
            args << "--simulate";
        } else {
            QFile file(m_dir.filePath(QStringLiteral("scenario.json")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(scenario);
            file.close();
            args << "--scenario" << file.fileName();
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.info=true"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(m_dir.path());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(ORVANE_MONITOR), args);
        QVERIFY(program.waitForStarted());

        // The start-up scan takes about a second (four 200 ms band waits).
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.contains(firstModule) && clock.elapsed() < 20000) {
            QTest::qWait(200);
            line = orvane::requestDataLine(port);
        }
        QVERIFY2(line.startsWith("Data : ") && line.contains(firstModule), line.constData());

        program.terminate(); // SIGTERM
        QVERIFY(program.waitForFinished(10000));
        const QByteArray console = program.readAll();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(console.contains(consoleLine), console.right(2000).constData());
        QVERIFY(console.contains("Stopping."));
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
