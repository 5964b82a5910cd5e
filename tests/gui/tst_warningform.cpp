// The alarm window: shown without blocking, texts as plain text, hidden by
// its button.
#include "modules/WarningFormUnit.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace orvane;

class TestWarningForm : public QObject
{
    Q_OBJECT
private slots:
    void alarmShowsAndCloseHides()
    {
        TWarningForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Warning"));
        // On top of the main window, with no close button: only "Hide" hides it.
        QVERIFY((form.windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint))
            == Qt::WindowStaysOnTopHint);
        QVERIFY(!form.isVisible());
        // A signal name is shown as typed, never as markup.
        form.showAlarm(
            "14:03:07", "Module = 0x2000B7", "<b>T</b> = 1.00 \xB0\x43", "(High = 0.50)");
        QVERIFY(form.isVisible() && !form.isModal());
        QCOMPARE(form.MessageLabel1->text(), QStringLiteral("14:03:07"));
        QCOMPARE(form.MessageLabel3->text(), QString::fromUtf8("<b>T</b> = 1.00 \u00B0C"));
        QCOMPARE(form.MessageLabel3->textFormat(), Qt::PlainText);
        QTest::mouseClick(form.HideButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TestWarningForm)
#include "tst_warningform.moc"
