#include "modules/NumberText.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace orvane;

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void readers_data();
    void readers();
};

enum Format { Fixed, LogColumn, ZeroPadded, Tree };

void TestNumberText::formats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("arg"); // decimals, width or digits
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("tie away") << int(Fixed) << 0.125 << 2 << QByteArray("0.13");
    QTest::newRow("negative tie") << int(Fixed) << -0.125 << 2 << QByteArray("-0.13");
    // 2.00005 is stored a little below the half: the nearest wins.
    QTest::newRow("near tie") << int(Fixed) << 2.00005 << 4 << QByteArray("2.0000");
    QTest::newRow("nan") << int(Fixed) << std::nan("") << 2 << QByteArray("NAN");
    QTest::newRow("log") << int(LogColumn) << 2.5 << 0 << QByteArray("     2.5000");
    QTest::newRow("log wide") << int(LogColumn) << -1234567.125 << 0
                              << QByteArray(" -1234567.1250");
    QTest::newRow("pad negative") << int(ZeroPadded) << -5.0 << 2 << QByteArray("-05");
    QTest::newRow("tree 8 significant")
        << int(Tree) << 12345.678901 << 6 << QByteArray("12345.679000");
    QTest::newRow("tree carry") << int(Tree) << 9999999.96 << 2 << QByteArray("10000000.00");
    QTest::newRow("tree minus zero") << int(Tree) << -0.0001 << 3 << QByteArray("0.000");
    QTest::newRow("tree 9 digits") << int(Tree) << 123456789.0 << 3 << QByteArray("1.2345679E8");
    QTest::newRow("tree 9 digits tie")
        << int(Tree) << 123456785.0 << 0 << QByteArray("1.2345679E8");
    QTest::newRow("tree carry to 9") << int(Tree) << 99999999.5 << 0 << QByteArray("1E8");
}

void TestNumberText::formats()
{
    QFETCH(int, format);
    QFETCH(double, value);
    QFETCH(int, arg);
    QFETCH(QByteArray, text);
    switch (format) {
    case Fixed:
        QCOMPARE(formatFixed(value, arg), text);
        break;
    case LogColumn:
        QCOMPARE(formatLogColumn(value), text);
        break;
    case ZeroPadded:
        QCOMPARE(formatZeroPadded(qint64(value), arg), text);
        break;
    default:
        QCOMPARE(formatTreeValue(value, arg), text);
    }
}

constexpr int kNoInteger = std::numeric_limits<int>::min();

void TestNumberText::readers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("number");
    QTest::addColumn<int>("integer");
    // NaN and kNoInteger stand for "no value".
    const double none = qQNaN();
    QTest::newRow("comma") << QByteArray("1,5") << 1.5 << kNoInteger;
    QTest::newRow("blanks") << QByteArray(" -12 ") << -12.0 << -12;
    QTest::newRow("empty") << QByteArray("  ") << none << kNoInteger;
    QTest::newRow("unit behind") << QByteArray("2.5V") << none << kNoInteger;
    QTest::newRow("two commas") << QByteArray("1,2,3") << none << kNoInteger;
    QTest::newRow("overflow") << QByteArray("1e400") << none << kNoInteger;
    QTest::newRow("nan") << QByteArray("nan") << none << kNoInteger;
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << 2147483648.0 << kNoInteger;
}

void TestNumberText::readers()
{
    QFETCH(QByteArray, text);
    QTEST(readNumber(text).value_or(qQNaN()), "number");
    QTEST(int(readInteger(text).value_or(kNoInteger)), "integer");
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
