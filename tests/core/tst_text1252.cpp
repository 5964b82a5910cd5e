// The Windows-1252 conversion against the platform's own converter (ICU).
#include "common/Text1252.h"

#include <QStringDecoder>
#include <QTest>

using namespace orvane;

class TestText1252 : public QObject
{
    Q_OBJECT
private slots:
    void allBytesThereAndBack()
    {
        QStringDecoder reference("windows-1252");
        if (!reference.isValid())
            QSKIP("Qt has no Windows-1252 converter here");
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = fromWindows1252(all);
        QCOMPARE(text, QString(reference(all)));
        QCOMPARE(toWindows1252(text), all);
        // Characters the code page does not hold.
        QCOMPARE(
            toWindows1252(QStringLiteral("\u20AC\u0100\u0416\U0001F600")), QByteArray("\x80????"));
    }
};

QTEST_GUILESS_MAIN(TestText1252)
#include "tst_text1252.moc"
