#include "FakePorts.h"
#include "ModalAnswers.h"
#include "modules/OVModObjectUnit.h"
#include "trace/PlotComp.h"
#include "trace/TPlotWindowUnit.h"
#include "trace/TraceSlotTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {
// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

struct Rig
{
    FakeOperatorMessages messages;
    TPlotWindow window { nullptr, &messages };
    TOV_MOD_Object modules[4];

    Rig()
    {
        modules[1].SerialText = "0x2000B7";
        modules[1].Signals[4].Name = "Tank level";
        window.SetModules({ &modules[0], &modules[1], &modules[2], &modules[3] });
    }
};
} // namespace

class TestPlotWindow : public QObject
{
    Q_OBJECT
private slots:
    void layout()
    {
        Rig rig;
        TPlotWindow &w = rig.window;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Plot Window"));
        QCOMPARE(w.size(), QSize(727, 400));
        QVERIFY(!(w.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
        const QList<std::tuple<const char *, QRect>> controls {
            { "Plot", QRect(8, 8, 713, 241) },
            { "PlotMaxEdit", QRect(396, 274, 41, 21) },
            { "PlotMinEdit", QRect(396, 300, 41, 21) },
            { "ApplyMinMaxButton", QRect(443, 272, 20, 49) },
            { "HideButton", QRect(640, 368, 75, 25) },
            { "Signal6Label", QRect(48, 378, 150, 13) },
            { "Module6Label", QRect(208, 378, 89, 13) },
        };
        for (const auto &[name, geometry] : controls) {
            auto *widget = w.findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(widget, name);
            QCOMPARE(widget->geometry(), geometry);
        }
        QCOMPARE(w.HideButton->parentWidget(), &w);
        QCOMPARE(w.PlotMaxEdit->text(), QStringLiteral("25"));
        QCOMPARE(w.PlotMinEdit->text(), QStringLiteral("0.0"));
        QCOMPARE(w.SignalLabel[1]->text(), QStringLiteral("< no signal >"));
        QCOMPARE(w.ModuleLabel[1]->text(), QStringLiteral("<no module>"));
    }

    void tracesAndTheirCaptions()
    {
        Rig rig;
        TPlotWindow &w = rig.window;
        QVERIFY(w.AddTrace(2, 4));
        QCOMPARE(w.SignalLabel[1]->text(), QStringLiteral("Tank level"));
        QCOMPARE(w.ModuleLabel[1]->text(), QStringLiteral("0x2000B7"));
        QCOMPARE(w.ModuleLabel[2]->text(), QStringLiteral("< no module >"));
        for (int s = 1; s <= 5; ++s)
            QVERIFY(w.AddTrace(1, s));
        QVERIFY(!w.AddTrace(3, 1));
        QCOMPARE(rig.messages.warnings,
            QByteArrayList { "Tracing Error|Error adding signal. No more free traces." });
        TraceView &port = w;
        port.RemoveModuleTraces(2);
        QCOMPARE(w.SignalLabel[1]->text(), QStringLiteral("< no signal >"));
        w.RemoveTrace(1, 3);
        QCOMPARE(w.traceSlots().TraceSlots[4].module, 0);
        // A name typed with markup is shown as typed.
        rig.modules[1].Signals[4].Name = "<b>T</b>";
        w.AddTrace(2, 4);
        QCOMPARE(w.SignalLabel[1]->text(), QStringLiteral("<b>T</b>"));
        QCOMPARE(w.SignalLabel[1]->textFormat(), Qt::PlainText);
    }

    // One paint of the plot per refresh while the window is visible, none
    // while it is hidden; the points still arrive and show on the next show.
    void repaintsOnlyWhileVisible()
    {
        Rig rig;
        TPlotWindow &w = rig.window;
        w.AddTrace(2, 4);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QApplication::processEvents();
        PaintCounter counter(w.Plot);
        for (int cycle = 1; cycle <= 3; ++cycle) {
            rig.modules[1].Samples[4].Current = cycle;
            w.RefreshTraces();
            QApplication::processEvents();
            QCOMPARE(counter.paints, cycle);
        }
        w.HideButton->click();
        QVERIFY(!w.isVisible());
        const quint64 renders = w.Plot->renderCount();
        for (int cycle = 4; cycle <= 6; ++cycle) {
            rig.modules[1].Samples[4].Current = cycle;
            w.RefreshTraces();
            QApplication::processEvents();
        }
        QCOMPARE(counter.paints, 3);
        QCOMPARE(w.Plot->renderCount(), renders);
        QCOMPARE(w.Plot->model().y(1, 1000), 6.0);
        QCOMPARE(w.Plot->model().x(1, 1000), 6.0);
        w.show();
        QTRY_COMPARE(w.Plot->renderCount(), renders + 1);
    }

    void applyMinMax_data()
    {
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("min");
        QTest::addColumn<double>("origin");
        QTest::addColumn<double>("span");
        QTest::newRow("range") << "30"
                               << "5" << 5.0 << 25.0;
        QTest::newRow("comma") << "2,5"
                               << "-1.5" << -1.5 << 4.0;
        QTest::newRow("max below min moves only the origin") << "10"
                                                             << "20" << 20.0 << 25.0;
        QTest::newRow("unreadable max stays") << "abc"
                                              << "5" << 5.0 << 20.0;
        QTest::newRow("overflowing span ignored") << "1e308"
                                                  << "-1e308" << -1e308 << 25.0;
    }
    // Both copies change, so a right-click returns to the range.
    void applyMinMax()
    {
        QFETCH(QString, max);
        QFETCH(QString, min);
        QFETCH(double, origin);
        QFETCH(double, span);
        Rig rig;
        TPlot *plot = rig.window.Plot;
        rig.window.PlotMaxEdit->setText(max);
        rig.window.PlotMinEdit->setText(min);
        rig.window.ApplyMinMaxButton->click();
        QCOMPARE(plot->YScaleOrigin(), origin);
        QCOMPARE(plot->YScaleSpan(), span);
        QCOMPARE(plot->model().fullView(), plot->model().current());
    }

    // The two buttons above "&Hide"; the CSV of the view, the picture as PNG
    // and SVG (texts as text), and one box for a file that cannot be
    // written, which leaves nothing behind.
    void exportFromTheButtons()
    {
        Rig rig;
        TPlotWindow &w = rig.window;
        QCOMPARE(w.ExportDataButton->geometry(), QRect(600, 306, 115, 25));
        QCOMPARE(w.SavePictureButton->geometry(), QRect(600, 337, 115, 25));
        QCOMPARE(w.SavePictureButton->parentWidget(), &w);
        QCOMPARE(w.ExportDataButton->text(), QString("E&xport data..."));
        QCOMPARE(w.SavePictureButton->text(), QString("Save &picture..."));
        w.AddTrace(2, 4);
        for (int cycle = 1; cycle <= 3; ++cycle) {
            rig.modules[1].Samples[4].Current = cycle * 1.5;
            w.RefreshTraces();
        }
        w.show();
        QTemporaryDir dir;
        ModalAnswers answers({ dir.filePath("view.csv"), dir.filePath("view.png"),
            dir.filePath("view.svg"), dir.filePath("gone/view.csv") });
        w.ExportDataButton->click();
        w.SavePictureButton->click();
        w.SavePictureButton->click(); // the dialog's filter is PNG; the name decides
        w.ExportDataButton->click();
        QFile csv(dir.filePath("view.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QByteArray("cycle,time,0x2000B7 Tank level [Volt]\r"));
        QVERIFY(lines[3].startsWith("3,") && lines[3].endsWith(",4.5\r"));
        QCOMPARE(QImage(dir.filePath("view.png")).size(), QSize(713, 241));
        QFile svg(dir.filePath("view.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray vectors = svg.readAll();
        QVERIFY(vectors.contains("<text") && vectors.contains(">Time [Sec]</text>"));
        QVERIFY(vectors.contains("viewBox=\"0 0 713 241\""));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(answers.messages[0].contains("/gone/view.csv could not be written: No such file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    }
};

QTEST_MAIN(TestPlotWindow)
#include "tst_plotwindow.moc"
