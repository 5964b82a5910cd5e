// The event log: the memo's 30-line rule, one line at a time and in batches,
// and its console: safe text and a bounded backlog.
#include "ConsoleCapture.h"
#include "FakePorts.h"
#include "common/EventLog.h"

#include <QTest>

#include <atomic>
#include <semaphore>

using namespace orvane;

class TestEventLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void thirtyLineRule()
    {
        FakeLogMemo memo;
        for (int i = 1; i <= 31; ++i) {
            QCOMPARE(memo.lineCount(), i == 31 ? 30 : i - 1);
            appendEventLogLine(&memo, QByteArray::number(i));
        }
        QCOMPARE(memo.lines, QByteArrayList({ "31" }));
    }

    // A batch leaves the memo exactly as one-by-one appends would, whatever
    // it held before (an operator may have typed lines into it).
    void batchEqualsSingleAppends_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("batch");
        for (int before : { 0, 1, 29, 30, 45 })
            for (int batch : { 0, 1, 29, 30, 31, 61, 1000 })
                QTest::addRow("%d+%d", before, batch) << before << batch;
    }
    void batchEqualsSingleAppends()
    {
        QFETCH(int, before);
        QFETCH(int, batch);
        FakeLogMemo single, batched;
        single.lines = batched.lines = QByteArrayList(before, "typed");
        QByteArrayList lines;
        for (int i = 0; i < batch; ++i)
            lines.append("line " + QByteArray::number(i));
        for (const QByteArray &l : lines)
            appendEventLogLine(&single, l);
        appendEventLogLines(&batched, lines);
        QCOMPARE(batched.lines, single.lines);
        QVERIFY(batched.history.size() <= 30 + 1);
    }

    // Text from a radio or a client may hold any byte; the console line must
    // stay one line and send the terminal no control sequence.
    void consoleText_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF, NUL, ESC, DEL; tab kept")
            << QByteArray("a\r\nb\tc\0d\x1B[2Je\x7F", 14) << QString("a??b\tc?d?[2Je?");
        QTest::newRow("undefined Windows-1252 bytes")
            << QByteArray("\x81\x8D\x8F\x90\x9D") << QString("?????");
        QTest::newRow("Windows-1252 text kept") << QByteArray("21.5 \xB0"
                                                              "C \x80")
                                                << QString::fromUtf8("21.5 \u00B0C \u20AC");
    }
    void consoleText()
    {
        QFETCH(QByteArray, line);
        ConsoleCapture console;
        appendEventLogLine(nullptr, line);
        QTEST(console.lines().value(0), "shown");
    }

    // Every line reaches the console in order; while the console is held up
    // and its backlog is full, lines are dropped and one line says how many.
    void consoleBacklog()
    {
        ConsoleCapture console;
        std::binary_semaphore release { 0 };
        std::atomic<bool> holding { true };
        console.hook = [&] {
            if (holding.exchange(false))
                release.acquire();
        };
        const QByteArray big(1024 * 1024 - 128, 'x'); // 1 MiB - 64 of backlog each
        appendEventLogLine(nullptr, "first"); // the console holds here
        QTest::qWait(50);
        appendEventLogLines(nullptr, QByteArrayList(20, big)); // 16 fit in the backlog, 4 do not
        appendEventLogLine(nullptr, "after");
        release.release();
        const QStringList expected = QStringList { "first" }
            + QStringList(16, QString::fromLatin1(big))
            + QStringList { QString::fromLatin1(eventLogDroppedText(4)), "after" };
        QCOMPARE(console.lines(), expected);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
