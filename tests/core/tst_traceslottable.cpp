#include "FakePorts.h"
#include "modules/OVModObjectUnit.h"
#include "trace/PlotModel.h"
#include "trace/TraceSlotTable.h"

#include <QTest>

using namespace orvane;

namespace {
// The trace window's plot and slots over four modules; module m's signal s
// is named "m<m>s<s>".
struct Rig
{
    PlotModel plot;
    FakeOperatorMessages messages;
    TraceSlotTable table { &plot, &messages };
    TOV_MOD_Object modules[4];

    Rig()
    {
        plot.setNrOfPoints(1000);
        plot.setXScaleSpan(1000);
        for (int m = 1; m <= 4; ++m) {
            modules[m - 1].SerialText = "0x" + QByteArray::number(m).repeated(6);
            for (int s = 1; s <= kMaxSignals; ++s)
                modules[m - 1].Signals[s].Name
                    = "m" + QByteArray::number(m) + "s" + QByteArray::number(s);
        }
        table.SetModules({ &modules[0], &modules[1], &modules[2], &modules[3] });
    }
    QList<QPair<int, int>> occupancy() const
    {
        QList<QPair<int, int>> list;
        for (int i = 1; i <= kTraceSlots; ++i)
            list.append({ table.TraceSlots[i].module, table.TraceSlots[i].signal });
        return list;
    }
    double newest(int trace, int back = 0) const { return plot.y(trace, plot.NrOfPoints() - back); }
    double newestX(int trace, int back = 0) const
    {
        return plot.x(trace, plot.NrOfPoints() - back);
    }
};
} // namespace

class TestTraceSlotTable : public QObject
{
    Q_OBJECT
private slots:
    void slotRules()
    {
        Rig rig;
        QCOMPARE(rig.table.ModuleLabels[1], QByteArray("<no module>")); // as built
        QVERIFY(rig.table.AddTrace(1, 2));
        QVERIFY(rig.table.AddTrace(1, 2)); // already there: one slot only
        for (int s = 3; s <= 7; ++s)
            QVERIFY(rig.table.AddTrace(2, s));
        const auto full = rig.occupancy();
        QCOMPARE(full.first(), qMakePair(1, 2));
        QVERIFY(rig.messages.warnings.isEmpty());
        QVERIFY(!rig.table.AddTrace(3, 1)); // the seventh
        QCOMPARE(rig.messages.warnings,
            QByteArrayList { "Tracing Error|Error adding signal. No more free traces." });
        QCOMPARE(rig.occupancy(), full);
        QVERIFY(rig.table.AddTrace(2, 5)); // already on a slot, even when full

        // A freed slot is taken again before higher free ones.
        rig.table.RemoveModuleTraces(2);
        QCOMPARE(rig.occupancy().mid(1), (QList<QPair<int, int>>(5, { 0, 0 })));
        QVERIFY(rig.table.AddTrace(4, 16));
        rig.table.RemoveTrace(1, 2);
        rig.table.RemoveTrace(3, 3); // on no slot: only the captions
        QVERIFY(rig.table.AddTrace(3, 9));
        QCOMPARE(
            rig.occupancy().mid(0, 3), (QList<QPair<int, int>> { { 3, 9 }, { 4, 16 }, { 0, 0 } }));
        QCOMPARE(rig.table.SignalLabels[2], QByteArray("m4s16"));
        QCOMPARE(rig.table.ModuleLabels[2], QByteArray("0x444444"));
        QCOMPARE(rig.table.SignalLabels[3], QByteArray("< no signal >"));
        QCOMPARE(rig.table.ModuleLabels[3], QByteArray("< no module >"));

        // Numbers no module or signal has take no slot and show no box.
        for (auto [m, s] : { std::pair { 0, 1 }, { 5, 1 }, { 1, 0 }, { 1, 17 } })
            QVERIFY(!rig.table.AddTrace(m, s));
        QCOMPARE(rig.messages.warnings.size(), 1);
    }

    void refreshPoints_data()
    {
        QTest::addColumn<int>("linkState");
        QTest::addColumn<QList<double>>("xs"); // the newest points, oldest first
        QTest::addColumn<QList<double>>("ys");
        QTest::newRow("steady") << 0 << QList { 4.0 } << QList { 7.5 };
        QTest::newRow("missed reply holds the last value") << 1 << QList { 4.0 } << QList { 2.5 };
        QTest::newRow("reply after a miss fills it in")
            << 2 << QList { 3.0, 4.0 } << QList { 2.5, 7.5 };
    }
    // The fourth refresh, with Current 7.5 and Previous 2.5 on the traced
    // signal; the free slots get 0.0 at the same X.
    void refreshPoints()
    {
        QFETCH(int, linkState);
        QFETCH(QList<double>, xs);
        QFETCH(QList<double>, ys);
        Rig rig;
        rig.table.AddTrace(2, 3);
        for (int i = 0; i < 3; ++i)
            rig.table.RefreshTraces();
        rig.modules[1].Samples[3] = { 7.5, 2.5 };
        rig.modules[1].LinkState = linkState;
        rig.table.RefreshTraces();
        QCOMPARE(rig.table.RefreshCount, 4);
        for (int k = 0; k < xs.size(); ++k) {
            QCOMPARE(rig.newestX(1, int(xs.size()) - 1 - k), xs[k]);
            QCOMPARE(rig.newest(1, int(xs.size()) - 1 - k), ys[k]);
        }
        for (int t = 2; t <= 6; ++t) {
            QCOMPARE(rig.newestX(t), 4.0);
            QCOMPARE(rig.newest(t), 0.0);
            QCOMPARE(rig.newestX(t, 1), 3.0);
        }
    }

    // The time axis moves on by a fifth of its span each time the newest
    // point passes its right edge, both copies.
    void refreshScrollsTimeAxis()
    {
        Rig rig;
        for (int c = 1; c <= 1000; ++c)
            rig.table.RefreshTraces();
        QCOMPARE(rig.plot.current().XScaleOrigin, 0.0);
        rig.table.RefreshTraces();
        QCOMPARE(rig.plot.current().XScaleOrigin, 200.0);
        QCOMPARE(rig.plot.fullView().XScaleOrigin, 200.0);
        for (int c = 1002; c <= 1201; ++c)
            rig.table.RefreshTraces();
        QCOMPARE(rig.plot.current().XScaleOrigin, 400.0);
        QCOMPARE(rig.plot.current().XScaleSpan, 1000.0);
    }

    // A renamed signal or a new serial shows within one refresh; only
    // changed captions are reported.
    void refreshReportsChangedCaptions()
    {
        Rig rig;
        rig.table.AddTrace(1, 1);
        rig.table.AddTrace(3, 2);
        rig.table.takeChangedLabels();
        QCOMPARE(rig.table.RefreshTraces(), 0);
        rig.modules[2].Signals[2].Name = "Flow";
        QCOMPARE(rig.table.RefreshTraces(), 1 << 2);
        QCOMPARE(rig.table.SignalLabels[2], QByteArray("Flow"));
        QCOMPARE(rig.table.takeChangedLabels(), 1 << 2);
        // A slot whose module was never handed over shows as free.
        TraceSlotTable bare(&rig.plot, nullptr);
        QVERIFY(bare.AddTrace(2, 1));
        bare.RefreshTraces();
        QCOMPARE(bare.SignalLabels[1], QByteArray("< no signal >"));
    }

    // While zoomed in, the refreshes move only the full view on; the
    // zoomed view stays, and a right-click returns to the full view as it
    // is then.
    void zoomedViewStaysPut()
    {
        Rig rig;
        for (int c = 1; c <= 900; ++c)
            rig.table.RefreshTraces();
        QVERIFY(rig.plot.zoom(QPoint(100, 30), QPoint(200, 70)));
        const PlotScales zoomed = rig.plot.current();
        for (int c = 901; c <= 1250; ++c)
            rig.table.RefreshTraces();
        QCOMPARE(rig.plot.current(), zoomed);
        QCOMPARE(rig.plot.fullView().XScaleOrigin, 400.0); // at refreshes 1001 and 1201
        rig.plot.restoreFullView();
        QCOMPARE(rig.plot.current().XScaleOrigin, 400.0);
    }
};

QTEST_GUILESS_MAIN(TestTraceSlotTable)
#include "tst_traceslottable.moc"
