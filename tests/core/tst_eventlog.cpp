#include "FakePorts.h"
#include "common/EventLog.h"

#include <QTest>

using namespace orvane;

class TestEventLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void thirtyLineRule()
    {
        FakeLogMemo memo;
        for (int i = 1; i <= 30; ++i)
            appendEventLogLine(&memo, QByteArray::number(i));
        QCOMPARE(memo.lineCount(), 30);
        appendEventLogLine(&memo, "31");
        QCOMPARE(memo.lines, QByteArrayList({"31"}));
    }

    // A batch leaves the memo exactly as one-by-one appends would, whatever
    // it held before (an operator may have typed lines into it).
    void batchEqualsSingleAppends_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("batch");
        for (int before : {0, 1, 29, 30, 45})
            for (int batch : {0, 1, 29, 30, 31, 61, 1000})
                QTest::addRow("%d+%d", before, batch) << before << batch;
    }
    void batchEqualsSingleAppends()
    {
        QFETCH(int, before);
        QFETCH(int, batch);
        FakeLogMemo single, batched;
        for (int i = 0; i < before; ++i) {
            single.lines.append("typed");
            batched.lines.append("typed");
        }
        QByteArrayList lines;
        for (int i = 0; i < batch; ++i)
            lines.append("line " + QByteArray::number(i));
        for (const QByteArray &l : lines)
            appendEventLogLine(&single, l);
        appendEventLogLines(&batched, lines);
        QCOMPARE(batched.lines, single.lines);
        QVERIFY(batched.history.size() <= 30 + 1);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
