// The polling cycle, the scan and the reply checks on a scripted driver:
// which frames go out on which tick, what the ports are told, and what a
// failing or closing device stops.
#include "FakePorts.h"
#include "GoldenFrames.h"
#include "ScriptedDriver.h"
#include "acquisition/AcquisitionControl.h"
#include "common/NavigationTree.h"

#include <QTest>

using namespace orvane;

namespace {
// One acquisition with scripted driver and recording ports.
struct Rig : FakePortSet
{
    ScriptedDriver driver;
    std::unique_ptr<AcquisitionControl> acq;

    // The identity, then the answers of the four bands, at the first tick.
    explicit Rig(const QByteArrayList &bands = { "", "", "", "" })
    {
        acq = std::make_unique<AcquisitionControl>(&driver, ports());
        acq->FormCreate();
        acq->IntObject->setWaitFunction([](int) {});
        driver.devices = { { 4642, "OVI20417", "Orvane Interface" } };
        scriptScan(bands);
    }
    void scriptScan(const QByteArrayList &bands)
    {
        driver.reads = QByteArrayList { "ORVANE INTERFACE V2.0" } + bands;
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            acq->MainTimerTimer();
    }
    TOV_MOD_Object &module(int slot) { return *acq->ModObject[slot]; }
};
const QByteArray kModule = "Orvane Module, 0x1004A2";
} // namespace

class TestAcquisition : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scanFillsSlotsFromAnswers()
    {
        Rig rig({ kModule, "", "Orvane Module V1, 0x2000B7xyz", "" });
        rig.ticks(1);
        QVERIFY(rig.module(1).Present && !rig.module(2).Present && rig.module(3).Present);
        QCOMPARE(rig.module(3).SerialText, QByteArray("0x2000B7"));
        QCOMPARE(rig.module(3).ScanText, QByteArray("Orvane Module V1, 0x2000B7xyz"));
        QVERIFY(rig.acq->SelectedModule == 1 && rig.acq->CyclicUpdate && rig.view.cycleRunning);
        QCOMPARE(rig.view.oviLabel, QByteArray("OVI20417 "));
        const auto &labels = rig.view.moduleLabels;
        QCOMPARE(QByteArrayList(labels.begin() + 1, labels.end()),
            QByteArrayList({ "0x1004A2 missed samples", "-", "0x2000B7 missed samples", "-" }));
        QVERIFY(rig.view.visiblePanel == 4 && rig.view.settingsUpdates == 1);
        // Empty slots lose their traces; a slot that gets a module it did not
        // hold before starts without traces too.
        QCOMPARE(rig.trace.removed, QList<int>({ 1, 2, 3, 4 }));
        // Identity, the four scan frames, then the same tick's first poll.
        QCOMPARE(rig.driver.written.mid(1, 4),
            QByteArrayList({ scanRequest(1), scanRequest(2), scanRequest(3), scanRequest(4) }));
        QVERIFY(rig.driver.written.size() == 6 && rig.acq->TxCount == 1);
        QVERIFY(rig.memo.history.contains("< Scan band 2"));
        QVERIFY(rig.memo.history.contains("> " + kModule));
        TreeNode *root = rig.tree.firstNode();
        QCOMPARE(root->text(), QByteArray("Orvane System|||Level 1"));
        QCOMPARE(root->firstChild()->text(), QByteArray("Orvane Interface|Connected||Level 2"));
        QCOMPARE(root->firstChild()->imageIndex(), 1);
    }

    // An unsupported type: the warning, and nothing else changes.
    void unsupportedTypeLeavesSlotAsItWas()
    {
        Rig rig({ "Orvane Module, 0xA000C1", "", "", "" });
        rig.ticks(1);
        QVERIFY(!rig.module(1).Present && !rig.acq->CyclicUpdate);
        QCOMPARE(rig.messages.warnings,
            QByteArrayList { "Module Type Error|A module of type 17 is detected. This type is not "
                             "supported in this software version. Check for software update." });
        rig.scriptScan({ kModule, "", "", "" });
        rig.acq->ScanButtonClick();
        rig.scriptScan({ "Orvane Module, 0x3000C1", "", "", "" });
        rig.acq->ScanButtonClick();
        QVERIFY(rig.module(1).SerialText == "0x1004A2" && rig.acq->CyclicUpdate);
        QCOMPARE(rig.messages.warnings.size(), 2);
    }

    // A rescan that finds the same module keeps its trace ticks and traces;
    // another module in the slot starts without them.
    void rescanKeepsTracesOfSameModuleOnly_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("same serial") << kModule << true;
        QTest::newRow("other serial") << QByteArray("Orvane Module, 0x1004B7") << false;
        QTest::newRow("other type") << QByteArray("Orvane Module, 0x2004A2") << false;
    }
    void rescanKeepsTracesOfSameModuleOnly()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, kept);
        Rig rig({ kModule, "", "", "" });
        rig.ticks(1);
        rig.module(1).TraceFlags[3] = 1;
        rig.trace.removed.clear();
        rig.scriptScan({ answer, "", "", "" });
        rig.acq->ScanButtonClick();
        QCOMPARE(rig.module(1).TraceFlags[3], kept ? 1 : 0);
        QCOMPARE(rig.trace.removed.contains(1), !kept);
    }

    // Five steps a cycle: a read in steps 2 to 5, the request in step 3.
    void onlySlotThreeIsPolled()
    {
        Rig rig({ "", "", kModule, "" });
        rig.ticks(1); // start-up scan, then step 1 in the same tick
        QVERIFY(rig.acq->PollState == 2 && rig.acq->TxCount == 0);
        rig.ticks(4);
        QVERIFY(rig.acq->TxCount == 1 && rig.view.txRxUpdates == 1);
        rig.driver.calls.clear();
        QString steps;
        for (int step = 0; step < 3 * 5; ++step) {
            const auto before = rig.driver.calls.size();
            rig.ticks(1);
            for (const QString &call : rig.driver.calls.mid(before))
                steps += call == "FT_Read" ? 'r' : call == "FT_Write" ? 'w' : '?';
            steps += '|';
        }
        QCOMPARE(steps, QString("|r|rw|r|r|").repeated(3));
        QVERIFY(rig.acq->TxCount == 4 && rig.acq->PollState == 1);
        QVERIFY(rig.view.txRxUpdates == 4 && rig.trace.refreshes == 4);
    }

    void stoppedCycleChangesNothingAndResumesWhereItStood()
    {
        Rig rig({ kModule, "", "", "" });
        rig.ticks(2); // start-up scan and step 1, then step 2
        QCOMPARE(rig.acq->PollState, 3);
        rig.acq->GreenCyclicButtonClick();
        QVERIFY(!rig.view.cycleRunning);
        const auto counters = std::tuple(rig.acq->TxCount, rig.acq->RxCount, rig.acq->BadRxCount);
        const auto calls = rig.driver.calls.size();
        rig.ticks(7);
        QCOMPARE(rig.acq->PollState, 3);
        QCOMPARE(std::tuple(rig.acq->TxCount, rig.acq->RxCount, rig.acq->BadRxCount), counters);
        QCOMPARE(rig.driver.calls.size(), calls); // not even a read
        rig.acq->RedCyclicButtonClick();
        rig.ticks(1);
        QCOMPARE(rig.acq->PollState, 4); // step 3 ran
    }

    // Every golden reply: the accepted packet, or the line for its fault.
    void processDataChecks()
    {
        const QMap<ReplyFault, QByteArray> lines { { ReplyFault::Nothing, " Packet length: 0" },
            { ReplyFault::LengthByte, " Packet length: NOK" },
            { ReplyFault::TooShort, " CRC length: NOK" }, { ReplyFault::CheckByte, " CRC: NOK" } };
        for (const golden::Reply &r : golden::replies()) {
            Rig rig;
            TOV_MOD_Object &module = rig.module(2);
            module.SerialText = "0x1004A2";
            module.Reply = "stale";
            rig.acq->ProcessData(2, r.received);
            const bool good = r.fault == ReplyFault::None;
            QCOMPARE(module.Reply, r.received.first(r.accepted));
            QVERIFY(rig.acq->RxCount == good && rig.acq->BadRxCount == !good);
            QCOMPARE(rig.memo.history,
                good ? QByteArrayList() : QByteArrayList { "> 0x1004A2" + lines[r.fault] });
        }
    }

    // The slot whose serial number text contains the text; absent slots too.
    void findModBySN()
    {
        Rig rig;
        rig.module(1).SerialText = "0x10045A";
        rig.module(3).SerialText = "0x10045B";
        rig.module(4).SerialText = "0x20000C";
        for (const auto &[text, slot] : { std::pair { "", 0 }, { "0x10045", 3 }, { "0x20", 4 },
                 { "0x99", 0 }, { "0X1004", 0 } })
            QCOMPARE(rig.acq->FindModBySN(text), slot);
    }

    void rescanAfterUnplugShowsNotFoundAndKeepsLabels()
    {
        Rig rig({ "", kModule, "", "" });
        rig.ticks(1);
        rig.driver.devices.clear(); // unplugged
        rig.acq->ScanButtonClick();
        TreeNode *iface = rig.tree.firstNode()->firstChild();
        QCOMPARE(iface->text(), QByteArray("Orvane Interface|Not Found||Level 2"));
        QCOMPARE(iface->imageIndex(), 7);
        QCOMPARE(rig.view.moduleLabels[2], QByteArray("0x1004A2 missed samples"));
        QCOMPARE(rig.view.moduleLabels[1], QByteArray("-"));
        QVERIFY(!rig.acq->CyclicUpdate && rig.acq->SelectedModule == 2 && rig.acq->TxCount == 0);
        // An operator's edit of the lost module puts no node back.
        rig.acq->moduleEdited(2);
        QCOMPARE(rig.tree.count(), 2);
    }

    void lostInterfaceStopsCycleOnNextTick()
    {
        Rig rig({ kModule, "", "", "" });
        rig.ticks(1); // start-up scan and step 1
        rig.driver.failures = { { "FT_Read", FT_IO_ERROR }, { "FT_Write", FT_IO_ERROR } };
        rig.ticks(1); // step 2: read fails, the tick completes
        QCOMPARE(rig.messages.errors, QByteArrayList { "FT_Read - General IO error..." });
        QVERIFY(rig.acq->PollState == 3 && rig.acq->CyclicUpdate);
        rig.ticks(1); // next tick: not connected, cycle off
        QVERIFY(!rig.acq->CyclicUpdate && !rig.view.cycleRunning && rig.acq->PollState == 3);
        // Turning it on again is undone by the next tick.
        rig.acq->RedCyclicButtonClick();
        rig.ticks(1);
        QVERIFY(!rig.acq->CyclicUpdate);
    }

    // FormClose waits one second, during which ticks may run but touch no
    // device; then the device is closed.
    void closeWaitsThenClosesDevice()
    {
        Rig rig({ kModule, "", "", "" });
        rig.ticks(1);
        int ticksDuringWait = 0;
        qsizetype callsDuringWait = -1;
        rig.acq->IntObject->setWaitFunction([&](int ms) {
            QCOMPARE(ms, 1000);
            const auto before = rig.driver.calls.size();
            rig.ticks(2);
            ++ticksDuringWait;
            callsDuringWait = rig.driver.calls.size() - before;
        });
        rig.acq->FormClose();
        QVERIFY(ticksDuringWait == 1 && callsDuringWait == 0);
        QCOMPARE(rig.driver.calls.last(), QString("FT_Close"));
        QVERIFY(!rig.acq->IntObject->device().IsOpen());
    }

    // Something happens during the scan's n-th wait (1: the identity wait,
    // 2..5: the waits of bands 0..3). After a close the scan does nothing more
    // with the device but close it; after an unplug the operator sees one
    // error and the bands not yet answered count as not answering.
    void scanStopsTalkingToTheDevice_data()
    {
        QTest::addColumn<bool>("close"); // or unplug
        QTest::addColumn<int>("atWait");
        QTest::newRow("close during identity") << true << 1;
        QTest::newRow("close during band 0") << true << 2;
        QTest::newRow("close during band 2") << true << 4;
        QTest::newRow("unplug during band 0") << false << 2;
        QTest::newRow("unplug during band 2") << false << 4;
    }
    void scanStopsTalkingToTheDevice()
    {
        QFETCH(bool, close);
        QFETCH(int, atWait);
        Rig rig({ kModule, "Orvane Module, 0x1004A3", "Orvane Module, 0x1004A4",
            "Orvane Module, 0x1004A5" });
        int waits = 0;
        qsizetype callsAtEvent = -1;
        rig.acq->IntObject->setWaitFunction([&](int) {
            if (++waits != atWait)
                return;
            if (close) {
                rig.acq->FormClose(); // its own wait is the next one, a no-op
                callsAtEvent = rig.driver.calls.size();
            } else {
                rig.driver.failures = { { "FT_Read", FT_IO_ERROR }, { "FT_Write", FT_IO_ERROR } };
            }
        });
        rig.ticks(1); // start-up scan
        const auto bands = std::count_if(rig.memo.history.cbegin(), rig.memo.history.cend(),
            [](const QByteArray &l) { return l.startsWith("< Scan band"); });
        QCOMPARE(bands, atWait - 1);
        if (close)
            QCOMPARE(rig.driver.calls.mid(callsAtEvent - 1), QStringList { "FT_Close" });
        QCOMPARE(rig.messages.errors.size(), close ? 0 : 1);
        QVERIFY(!rig.acq->CyclicUpdate);
        // A band answered before the event keeps its module; none after it.
        for (int slot = 1; slot <= 4; ++slot)
            QCOMPARE(rig.module(slot).Present, slot < atWait - 1);
    }

    void secondScanInsideScanWaitIsIgnored()
    {
        Rig rig({ kModule, "", "", "" });
        int nested = 0;
        rig.acq->IntObject->setWaitFunction([&](int) {
            if (nested++ == 0)
                rig.acq->ScanButtonClick();
        });
        rig.ticks(1);
        QCOMPARE(rig.memo.history.count("Scanning for FTDI devices..."), 1);
        QVERIFY(rig.module(1).Present);
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
