// The acquisition driven end to end through the simulated network on a
// simulated clock: scan, polling, reply checks, conversion and faults.
#include "FakePorts.h"
#include "acquisition/AcquisitionControl.h"
#include "common/NavigationTree.h"
#include "protocol/WireProtocol.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {
ScenarioModule module(int band, int type, const char *serial, std::array<int, 5> raw)
{
    ScenarioModule m;
    m.band = band;
    m.type = type;
    m.serial = serial;
    m.raw = raw;
    return m;
}

struct Network : FakePortSet
{
    ManualSimClock clock;
    std::unique_ptr<SimDriver> driver;
    std::unique_ptr<AcquisitionControl> acq;

    explicit Network(const Scenario &scenario)
    {
        driver = std::make_unique<SimDriver>(scenario, clock);
        acq = std::make_unique<AcquisitionControl>(driver.get(), ports());
        acq->FormCreate();
        acq->IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
    }
    // One timer tick, 180 ms after the previous one.
    void tick()
    {
        clock.advanceMs(180);
        acq->MainTimerTimer();
    }
    void cycles(int n)
    {
        for (int i = 0; i < 5 * n; ++i)
            tick();
    }
};
} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void scanAndPollConvertScenarioValues()
    {
        Scenario s;
        s.modules = {module(0, 1, "0x1004A2", {512, 256, 1023, 0, 100}),
                     module(2, 2, "0x2000B7", {819, 1024, 512, 256, 100})};
        Network net(s);
        net.tick(); // start-up: scan, then step 1
        QVERIFY(net.acq->CyclicUpdate);
        QCOMPARE(net.acq->SelectedModule, 1);
        net.cycles(3);
        QCOMPARE(net.acq->BadRxCount, 0);
        QCOMPARE(net.acq->TxCount, net.acq->RxCount + 1); // slot 1's request of the open cycle

        const TOV_MOD_Object &t1 = *net.acq->ModObject[1];
        QCOMPARE(t1.Samples[1].Current, 2.5);
        QCOMPARE(t1.Samples[2].Current, 1.25);
        QCOMPARE(t1.Samples[3].Current, 4.9951171875);
        QCOMPARE(t1.Samples[4].Current, 0.0);
        const TOV_MOD_Object &t2 = *net.acq->ModObject[3];
        QCOMPARE(t2.Samples[1].Current, 819 / 1024.0 * 5 * 3.0);
        QCOMPARE(t2.Samples[2].Current, 1024 / 1024.0 * 5 * 100.0);
        QCOMPARE(t2.Samples[3].Current, 1024 / 1024.0 * 5 * 180.0 + 32.0);
        QCOMPARE(t2.Samples[4].Current, 2.5);
        QCOMPARE(t2.LinkState, 0);
        QCOMPARE(t2.LostReplies, 0);

        // The frames on the wire (the simulator answers a type-2 poll only when
        // its check byte is right): both outputs off, the type-2 poll with the
        // default 2.5 V threshold on signal 1 (512 counts at gain 3: 171).
        const QList<QByteArray> frames = net.driver->writtenFrames();
        QVERIFY(frames.contains(type1PollRequest(1, 0, 0)));
        QVERIFY(frames.contains(type2PollRequest(3, { 0, 171 }, { 0, 171 })));
    }

    // Every request is answered, lost or damaged, and every answer read is
    // counted exactly once as good or bad.
    void faultCountersAddUp()
    {
        Scenario s;
        s.seed = 11;
        s.lossRate = 0.15;
        s.corruptRate = 0.1;
        s.truncateRate = 0.1;
        s.modules = {module(0, 1, "0x1004A2", {512, 256, 1023, 0, 100}),
                     module(1, 2, "0x2000B7", {819, 1024, 512, 256, 100}),
                     module(3, 1, "0x1004A9", {1, 2, 3, 4, 5})};
        Network net(s);
        net.tick();
        net.cycles(200);
        const auto &a = *net.acq;
        QCOMPARE(a.PollState, 2); // the first tick ran step 1 of the next cycle
        // 200 full cycles plus slot 1's request of the cycle now open.
        QCOMPARE(a.TxCount, 3 * 200 + 1);
        QCOMPARE(a.RxCount + a.BadRxCount, 3 * 200);
        QVERIFY(a.BadRxCount > 60 && a.BadRxCount < 240);
        int lost = 0;
        for (int slot = 1; slot <= 4; ++slot)
            lost += a.ModObject[slot]->LostReplies;
        QVERIFY(lost > 0);
        QVERIFY(lost < a.BadRxCount); // the first miss of each run is not counted
        QCOMPARE(net.memo.clears > 0, true);
        // The bad replies were logged with their module.
        const auto badLines = std::count_if(net.memo.history.cbegin(), net.memo.history.cend(),
                                            [](const QByteArray &l) { return l.startsWith("> 0x"); });
        QCOMPARE(badLines, qsizetype(a.BadRxCount));
    }

    void sameSeedSameCounters()
    {
        auto run = [](quint64 seed) {
            Scenario s;
            s.seed = seed;
            s.lossRate = 0.2;
            s.corruptRate = 0.2;
            s.modules = {module(0, 1, "0x1004A2", {512, 256, 1023, 0, 100})};
            Network net(s);
            net.tick();
            net.cycles(50);
            return std::pair(net.acq->RxCount, net.acq->BadRxCount);
        };
        QCOMPARE(run(5), run(5));
        QVERIFY(run(5) != run(6));
    }

    void unplugStopsPollingAndRescanShowsNotFound()
    {
        Scenario s;
        s.unplugAfterMs = 5000;
        s.modules = {module(2, 1, "0x1004A2", {512, 256, 1023, 0, 100})};
        Network net(s);
        net.tick();
        QVERIFY(net.acq->CyclicUpdate);
        while (net.messages.errors.isEmpty() && net.clock.nowMs() < 10000)
            net.tick();
        QVERIFY(!net.messages.errors.isEmpty());
        QVERIFY(net.messages.errors.first().endsWith(" - General IO error..."));
        net.tick();
        QVERIFY(!net.acq->CyclicUpdate);
        QVERIFY(!net.view.cycleRunning);
        const auto polls = net.acq->TxCount;
        net.cycles(2);
        QCOMPARE(net.acq->TxCount, polls);

        net.acq->ScanButtonClick();
        QCOMPARE(net.tree.firstNode()->firstChild()->text(),
                 QByteArray("Orvane Interface|Not Found||Level 2"));
        QCOMPARE(net.memo.history.last(), QByteArray("Nr. devices found : 0"));
        QCOMPARE(net.view.moduleLabels[3], QByteArray("0x1004A2 missed samples"));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
