// Number texts: the fixed, log-column, zero-padded and tree formats with
// exact halves rounded away from zero, and the readers of operator input.
#include "modules/NumberText.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace orvane;

namespace {
constexpr int kNoInteger = std::numeric_limits<int>::min();
}

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void formats_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QByteArray &text, const char *expected) {
            QTest::newRow(name) << text << QByteArray(expected);
        };
        row("tie away", formatFixed(0.125, 2), "0.13");
        row("negative tie", formatFixed(-0.125, 2), "-0.13");
        // 2.00005 is stored a little below the half: the nearest wins.
        row("near tie", formatFixed(2.00005, 4), "2.0000");
        row("nan", formatFixed(std::nan(""), 2), "NAN");
        row("log", formatLogColumn(2.5), "     2.5000");
        row("log wide", formatLogColumn(-1234567.125), " -1234567.1250");
        row("pad negative", formatZeroPadded(-5, 2), "-05");
        row("tree 8 significant", formatTreeValue(12345.678901, 6), "12345.679000");
        row("tree carry", formatTreeValue(9999999.96, 2), "10000000.00");
        row("tree minus zero", formatTreeValue(-0.0001, 3), "0.000");
        row("tree 9 digits", formatTreeValue(123456789.0, 3), "1.2345679E8");
        row("tree 9 digits tie", formatTreeValue(123456785.0, 0), "1.2345679E8");
        row("tree carry to 9", formatTreeValue(99999999.5, 0), "1E8");
    }
    void formats()
    {
        QFETCH(QByteArray, text);
        QTEST(text, "expected");
    }

    // NaN and kNoInteger stand for "no value".
    void readers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("integer");
        const double none = qQNaN();
        QTest::newRow("comma") << QByteArray("1,5") << 1.5 << kNoInteger;
        QTest::newRow("blanks") << QByteArray(" -12 ") << -12.0 << -12;
        QTest::newRow("empty") << QByteArray("  ") << none << kNoInteger;
        QTest::newRow("unit behind") << QByteArray("2.5V") << none << kNoInteger;
        QTest::newRow("overflow") << QByteArray("1e400") << none << kNoInteger;
        QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << 2147483648.0 << kNoInteger;
    }
    void readers()
    {
        QFETCH(QByteArray, text);
        QTEST(readNumber(text).value_or(qQNaN()), "number");
        QTEST(int(readInteger(text).value_or(kNoInteger)), "integer");
    }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
