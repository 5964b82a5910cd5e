#include "modules/WarningFormUnit.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace orvane;

class TestWarningForm : public QObject
{
    Q_OBJECT
private slots:
    void layout();
    void alarmShowsAndCloseHides();
};

void TestWarningForm::layout()
{
    TWarningForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Warning"));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(form.size(), QSize(264, 146));
    QVERIFY(!form.isVisible());
    const QRect expected[]
        = { { 56, 16, 201, 17 }, { 56, 32, 193, 17 }, { 56, 48, 201, 17 }, { 55, 64, 201, 17 } };
    const QLabel *labels[]
        = { form.MessageLabel1, form.MessageLabel2, form.MessageLabel3, form.MessageLabel4 };
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(labels[i]->geometry(), expected[i]);
        QVERIFY(labels[i]->font().bold());
        QVERIFY(labels[i]->wordWrap());
    }
    QCOMPARE(form.HideButton->text(), QStringLiteral("&Close"));
    QCOMPARE(form.HideButton->geometry(), QRect(96, 104, 75, 25));
}

void TestWarningForm::alarmShowsAndCloseHides()
{
    TWarningForm form;
    form.showAlarm("14:03:07", "Module = 0x2000B7", "<b>Temp</b> = 1.00 \xB0\x43",
        "(High = 0.50; Low = -1000.00)");
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QCOMPARE(form.MessageLabel3->text(), QString::fromUtf8("<b>Temp</b> = 1.00 \u00B0C"));
    QCOMPARE(form.MessageLabel3->textFormat(), Qt::PlainText);
    QCOMPARE(form.MessageLabel4->text(), QStringLiteral("(High = 0.50; Low = -1000.00)"));
    QTest::mouseClick(form.HideButton, Qt::LeftButton);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestWarningForm)
#include "tst_warningform.moc"
