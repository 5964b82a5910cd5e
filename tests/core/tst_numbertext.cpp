#include "modules/NumberText.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace orvane;

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void fixed_data();
    void fixed();
    void logColumn_data();
    void logColumn();
    void zeroPadded_data();
    void zeroPadded();
    void treeValue_data();
    void treeValue();
    void readNumber_data();
    void readNumber();
    void readInteger_data();
    void readInteger();
    void decimalPointWhateverTheLocale();
};

void TestNumberText::fixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("tie up") << 0.125 << 2 << QByteArray("0.13");
    QTest::newRow("negative tie") << -0.125 << 2 << QByteArray("-0.13");
    // 2.00005 is stored a little below the half: it rounds to the nearest.
    QTest::newRow("near tie") << 2.00005 << 4 << QByteArray("2.0000");
    QTest::newRow("exact tie at 4") << 1.03125 << 4 << QByteArray("1.0313");
    QTest::newRow("below tie") << 0.12499999999 << 2 << QByteArray("0.12");
    QTest::newRow("thousands") << 1234567.891 << 2 << QByteArray("1234567.89");
    QTest::newRow("integer") << 2.5 << 0 << QByteArray("3");
    QTest::newRow("three") << -0.0005 << 3 << QByteArray("-0.001");
    QTest::newRow("nan") << std::nan("") << 2 << QByteArray("NAN");
    QTest::newRow("inf") << HUGE_VAL << 2 << QByteArray("INF");
    QTest::newRow("-inf") << -HUGE_VAL << 4 << QByteArray("-INF");
}

void TestNumberText::fixed()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, text);
    QCOMPARE(formatFixed(value, decimals), text);
}

void TestNumberText::logColumn_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("2.5") << 2.5 << QByteArray("     2.5000");
    QTest::newRow("zero") << 0.0 << QByteArray("     0.0000");
    QTest::newRow("negative") << -12.5 << QByteArray("   -12.5000");
    QTest::newRow("ten wide") << 12345.6789 << QByteArray(" 12345.6789");
    QTest::newRow("wider") << -1234567.125 << QByteArray(" -1234567.1250");
}

void TestNumberText::logColumn()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(formatLogColumn(value), text);
}

void TestNumberText::zeroPadded_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("7") << qint64(7) << 2 << QByteArray("07");
    QTest::newRow("wide") << qint64(123) << 2 << QByteArray("123");
    QTest::newRow("year") << qint64(987) << 4 << QByteArray("0987");
    QTest::newRow("negative") << qint64(-5) << 2 << QByteArray("-05");
    QTest::newRow("zero width") << qint64(0) << 0 << QByteArray("0");
    QTest::newRow("min") << std::numeric_limits<qint64>::min() << 2
                         << QByteArray("-9223372036854775808");
}

void TestNumberText::zeroPadded()
{
    QFETCH(qint64, value);
    QFETCH(int, width);
    QFETCH(QByteArray, text);
    QCOMPARE(formatZeroPadded(value, width), text);
}

void TestNumberText::treeValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("1.5/3") << 1.5 << 3 << QByteArray("1.500");
    QTest::newRow("-0.25/2") << -0.25 << 2 << QByteArray("-0.25");
    QTest::newRow("zero/0") << 0.0 << 0 << QByteArray("0");
    QTest::newRow("tie") << 0.125 << 2 << QByteArray("0.13");
    QTest::newRow("8 significant") << 12345.678901 << 6 << QByteArray("12345.679000");
    QTest::newRow("8 integer digits") << 12345678.9 << 2 << QByteArray("12345679.00");
    QTest::newRow("carry to 8 digits") << 9999999.96 << 2 << QByteArray("10000000.00");
    QTest::newRow("small") << 0.000123456789 << 12 << QByteArray("0.000123456790");
    QTest::newRow("negative zero") << -0.0001 << 3 << QByteArray("0.000");
    QTest::newRow("digits clamped") << 1.0 << 40 << QByteArray("1.000000000000000000");
    QTest::newRow("negative digits") << 2.5 << -3 << QByteArray("3");
    QTest::newRow("9 digits") << 123456789.0 << 3 << QByteArray("1.2345679E8");
    QTest::newRow("9 digits tie") << 123456785.0 << 3 << QByteArray("1.2345679E8");
    QTest::newRow("carry to 9") << 99999999.5 << 0 << QByteArray("1E8");
    QTest::newRow("large negative") << -1e20 << 2 << QByteArray("-1E20");
    QTest::newRow("nan") << std::nan("") << 2 << QByteArray("NAN");
}

void TestNumberText::treeValue()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QByteArray, text);
    QCOMPARE(formatTreeValue(value, digits), text);
}

void TestNumberText::readNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("point") << QByteArray("1.5") << 1.5;
    QTest::newRow("comma") << QByteArray("1,5") << 1.5;
    QTest::newRow("blanks") << QByteArray("  -2.25 ") << -2.25;
    QTest::newRow("exponent") << QByteArray("1e3") << 1000.0;
    QTest::newRow("leading point") << QByteArray(".5") << 0.5;
    QTest::newRow("trailing point") << QByteArray("3.") << 3.0;
    QTest::newRow("empty") << QByteArray("") << 0.0;
    QTest::newRow("letters") << QByteArray("abc") << 0.0;
    QTest::newRow("trailing junk") << QByteArray("2.5V") << 0.0;
    QTest::newRow("two points") << QByteArray("1.2.3") << 0.0;
    QTest::newRow("two commas") << QByteArray("1,2,3") << 0.0;
    QTest::newRow("nan") << QByteArray("nan") << 0.0;
    QTest::newRow("inf") << QByteArray("inf") << 0.0;
    QTest::newRow("overflow") << QByteArray("1e400") << 0.0;
    QTest::newRow("hex") << QByteArray("0x10") << 0.0;
    QTest::newRow("sign only") << QByteArray("-") << 0.0;
    QTest::newRow("bare exponent") << QByteArray("2e") << 0.0;
}

void TestNumberText::readNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(orvane::readNumber(text), value);
}

void TestNumberText::readInteger_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("plain") << QByteArray("3") << 3;
    QTest::newRow("signs") << QByteArray(" -12 ") << -12;
    QTest::newRow("plus") << QByteArray("+4") << 4;
    QTest::newRow("decimal") << QByteArray("2.5") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("letters") << QByteArray("two") << 0;
    QTest::newRow("too big") << QByteArray("2147483648") << 0;
    QTest::newRow("min") << QByteArray("-2147483648") << std::numeric_limits<qint32>::min();
}

void TestNumberText::readInteger()
{
    QFETCH(QByteArray, text);
    QFETCH(qint32, value);
    QCOMPARE(orvane::readInteger(text), value);
}

void TestNumberText::decimalPointWhateverTheLocale()
{
    const char *old = std::setlocale(LC_NUMERIC, nullptr);
    const QByteArray saved = old ? QByteArray(old) : QByteArray("C");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        QSKIP("no locale with a decimal comma installed");
    QCOMPARE(formatFixed(-0.125, 2), QByteArray("-0.13"));
    QCOMPARE(formatTreeValue(123456789.0, 2), QByteArray("1.2345679E8"));
    QCOMPARE(orvane::readNumber("1,5"), 1.5);
    std::setlocale(LC_NUMERIC, saved.constData());
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
