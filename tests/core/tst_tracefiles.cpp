// The trace display's files: the CSV of the trace window's view, reading
// measurement logs back, and the reduction of long traces to pixel columns.
#include "modules/OVModObjectUnit.h"
#include "trace/MeasurementLog.h"
#include "trace/PlotModel.h"
#include "trace/TraceCsv.h"
#include "trace/TraceSlotTable.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <ctime>
#include <limits>

using namespace orvane;

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Numbers as texts, so that NaN compares equal to NaN.
template <typename List> QStringList texts(const List &values)
{
    QStringList list;
    for (double v : values)
        list << QString::number(v);
    return list;
}
} // namespace

class TestTraceFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    // The visible X range only, free slots left out, texts quoted, values
    // in full precision (empty when not finite), the fill-in of a missed
    // reply in place of the held value, each refresh with its time.
    void traceCsv()
    {
        PlotModel plot;
        plot.setNrOfPoints(1000);
        plot.setSize(500, 240); // plot area 360 wide: one unit a pixel
        plot.setXScaleSpan(360);
        TraceSlotTable table(&plot, nullptr);
        TOV_MOD_Object modules[4];
        modules[0].SerialText = "0x1004A2";
        modules[0].Signals[1].Name = "Tank \"left\"";
        modules[0].Signals[1].Unit = "m3";
        modules[0].Signals[2].Name = "Flow";
        modules[0].Signals[2].Unit = "l,s";
        table.SetModules({ &modules[0], &modules[1], &modules[2], &modules[3] });
        table.AddTrace(1, 2); // slots 1 and 2; 3 to 6 stay free
        table.AddTrace(1, 1);
        QDateTime now(QDate(2026, 3, 29), QTime(1, 59, 58, 500));
        table.Clock = [&now] { return now = now.addMSecs(900); };
        const double values[] = { 0.1, inf, 0.1 + 0.2, 2.5, 9 };
        for (int c = 1; c <= 5; ++c) {
            modules[0].Samples[1] = { .Current = values[c - 1], .Previous = 7.25 };
            modules[0].Samples[2] = { .Current = -1.0 * c, .Previous = 0.5 - c };
            modules[0].LinkState = c == 5 ? 2 : 0;
            table.RefreshTraces();
        }
        plot.zoom(QPoint(41, 30), QPoint(44, 200)); // X 1 .. 4
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writeTraceCsv(table, &out));
        QCOMPARE(out.data(),
            QByteArray("cycle,time,\"0x1004A2 Flow [l,s]\",\"0x1004A2 Tank \"\"left\"\" [m3]\"\r\n"
                       "1,2026-03-29T01:59:59.400+01:00,-1,0.1\r\n"
                       "2,2026-03-29T03:00:00.300+02:00,-2,\r\n"
                       "3,2026-03-29T03:00:01.200+02:00,-3,0.30000000000000004\r\n"
                       "4,2026-03-29T03:00:02.100+02:00,-4.5,7.25\r\n"));
    }

    void logReader_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<double>>("x");
        QTest::addColumn<QList<double>>("signal2");
        QTest::addColumn<QList<int>>("segments");
        QTest::addColumn<int>("damaged");
        const QByteArray header = "# Measurement : Data_0x2000B7_2026-12-05_23-59-58.txt\n"
                                  "# Battery Voltage Volt\n# Temp \xb0"
                                  "C\n";
        QTest::newRow("LF, next day")
            << header + "23:59:59  12.5 -1.0\n00:00:01 12.25 INF\n"
            << 0 << QList { 0.0, 2.0 } << QList { -1.0, inf } << QList { 0 } << 0;
        QByteArray crlf = header
            + "12:00:00 1 2\n12:00:0x 1 2\n12:00:01 1\n12:00:01 1 2 3\n"
              "abc\n12:00:02 1 2x\n# stray\n\n12:00:03 -0 NAN\n12:00:04 1";
        crlf.replace("\n", "\r\n");
        QTest::newRow("CR LF, damaged lines, cut last line")
            << crlf << 0 << QList { 0.0, 3.0 } << QList { 2.0, NaN } << QList { 0 } << 7;
        QTest::newRow("header blocks start segments")
            << header + "10:00:00 1 2\n" + header + header + "10:00:00 1 3\n10:00:01 1 4\n"
                + header.first(header.indexOf('\n') + 1) + "# one\n10:00:02 1\n"
            << 0 << QList { 0.0, 0.0, 1.0 } << QList { 2.0, 3.0, 4.0 } << QList { 0, 1 } << 1;
        QTest::newRow("foreign file") << QByteArray("time,value\n10:00:00 1 2\n") << 1
                                      << QList<double> {} << QList<double> {} << QList<int> {} << 0;
        QTest::newRow("empty file")
            << QByteArray() << 1 << QList<double> {} << QList<double> {} << QList<int> {} << 0;
        QTest::newRow("binary without line ends")
            << QByteArray(9000, '\x89') << 1 << QList<double> {} << QList<double> {}
            << QList<int> {} << 0;
    }
    void logReader()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(QList<double>, x);
        QFETCH(QList<double>, signal2);
        QFETCH(QList<int>, segments);
        QFETCH(int, damaged);
        QBuffer file(&text);
        file.open(QIODevice::ReadOnly);
        MeasurementLog log;
        QCOMPARE(int(readMeasurementLog(&file, log)), result);
        if (result != 0)
            return;
        QCOMPARE(texts(log.data.x), texts(x));
        QCOMPARE(texts(log.data.series.at(1).y), texts(signal2));
        QCOMPARE(
            QList<int>(log.data.segmentStarts.begin(), log.data.segmentStarts.end()), segments);
        QCOMPARE(log.damagedLines, damaged);
        QCOMPARE(log.data.series[0].name, QByteArray("Battery Voltage"));
        QCOMPARE(log.data.series[1].unit,
            QByteArray("\xb0"
                       "C"));
        QCOMPARE(log.firstDate, QDate(2026, 12, x == QList { 0.0, 2.0 } ? 5 : 6));
    }

    // The visible range of the shown signals, with the date from the name.
    void logCsv()
    {
        QByteArray text = "# Measurement : Data_0x2000B7_2026-12-05_23-59-58.txt\n# Battery "
                          "Volt\n# Temp C\n23:59:59 12.5 1\n00:00:01 12.25 2\n00:00:02 1e-7 3\n";
        QBuffer file(&text);
        file.open(QIODevice::ReadOnly);
        MeasurementLog log;
        QCOMPARE(readMeasurementLog(&file, log), LogReadResult::Ok);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writeLogCsv(log, 1, 3, { true, false }, &out));
        QCOMPARE(out.data(),
            QByteArray("seconds,time,Battery [Volt]\r\n2,2026-12-06T00:00:01.000+01:00,12.25\r\n"
                       "3,2026-12-06T00:00:02.000+01:00,1e-07\r\n"));
    }

    // Random traces with NaN, infinite and repeated X values at random
    // views: the smallest and largest value of each column are those of the
    // points that map to it, and the visible range's are the data's.
    void columnReduction()
    {
        QRandomGenerator random(5);
        for (int round = 0; round < 40; ++round) {
            PlotSeriesSet set;
            set.series.resize(1);
            const int n = random.bounded(1, 20000);
            double x = 0.0;
            for (int i = 0; i < n; ++i) {
                x += random.bounded(3); // 0: several points on one X
                set.x.push_back(x);
                const int kind = random.bounded(50);
                set.series[0].y.push_back(kind == 0 ? NaN
                        : kind == 1                 ? -inf
                                                    : random.bounded(1000.0) - 500);
            }
            set.buildIndexes();
            const double origin = random.bounded(x) - x / 4;
            const double perUnit = random.bounded(50.0) / (x + 1) + 1e-3;
            const int columns = random.bounded(1, 800);
            std::vector<std::size_t> bounds;
            std::vector<ColumnExtent> extents;
            columnBounds(set.x, origin, perUnit, columns, bounds);
            reduceColumns(set, 0, bounds, extents);
            std::vector<double> lo(columns, inf), hi(columns, -inf);
            for (int i = 0; i < n; ++i) {
                const double c = std::floor((set.x[i] - origin) * perUnit + 0.5);
                const double v = set.series[0].y[i];
                if (c >= 0 && c < columns && !std::isnan(v)) {
                    lo[int(c)] = std::min(lo[int(c)], v);
                    hi[int(c)] = std::max(hi[int(c)], v);
                }
            }
            for (int c = 0; c < columns; ++c) {
                const bool empty = lo[c] > hi[c];
                QCOMPARE(std::isnan(extents[c].minimum), empty);
                if (!empty) {
                    QCOMPARE(extents[c].minimum, lo[c]);
                    QCOMPARE(extents[c].maximum, hi[c]);
                }
            }
            const auto [minimum, maximum] = set.valueRange(0, bounds.front(), bounds.back());
            const double seenLo = *std::min_element(lo.begin(), lo.end());
            const double seenHi = *std::max_element(hi.begin(), hi.end());
            QCOMPARE(std::isnan(minimum) ? inf : minimum, seenLo);
            QCOMPARE(std::isnan(maximum) ? -inf : maximum, seenHi);
        }
    }
};

QTEST_GUILESS_MAIN(TestTraceFiles)
#include "tst_tracefiles.moc"
