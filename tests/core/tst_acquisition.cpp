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

    Rig()
    {
        acq = std::make_unique<AcquisitionControl>(&driver, ports());
        acq->FormCreate();
        acq->IntObject->setWaitFunction([](int) {});
        driver.devices = { { 4642, "OVI20417", "Orvane Interface" } };
    }
    // Scripts a scan: identity, then the four band answers.
    void scriptScan(const QByteArrayList &bands)
    {
        driver.reads = QByteArrayList { "ORVANE INTERFACE V2.0" } + bands;
    }
};
} // namespace

class TestAcquisition : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formCreateBuildsRootAndModules()
    {
        Rig rig;
        QCOMPARE(rig.tree.count(), 1);
        QCOMPARE(rig.tree.firstNode()->text(), QByteArray("Orvane System|||Level 1"));
        QCOMPARE(rig.tree.selected(), rig.tree.firstNode());
        QVERIFY(rig.acq->StartUp);
        QCOMPARE(rig.acq->PollState, 0);
        for (int slot = 1; slot <= 4; ++slot) {
            QCOMPARE(rig.acq->ModObject[slot]->ModuleType, 1);
            QCOMPARE(rig.acq->ModObject[slot]->SignalCount, 0);
            QCOMPARE(rig.acq->ModObject[slot]->GoodReplyCount, &rig.acq->RxCount);
        }
    }

    void startUpTickScansOnceAfterServerLine()
    {
        Rig rig;
        rig.scriptScan({ "", "", "", "" });
        rig.acq->MainTimerTimer();
        QCOMPARE(rig.memo.history.first(), QByteArray("TCP Server @ port 5001 started."));
        QCOMPARE(rig.memo.history.at(1), QByteArray("Scanning for FTDI devices..."));
        QVERIFY(!rig.acq->StartUp);
        QCOMPARE(rig.acq->PollState, 1);
        QVERIFY(!rig.acq->CyclicUpdate); // no module: the cycle stays off
        const int lines = rig.memo.history.size();
        rig.acq->MainTimerTimer();
        rig.acq->MainTimerTimer();
        QCOMPARE(rig.memo.history.size(), lines);
        QCOMPARE(rig.memo.history.count("TCP Server @ port 5001 started."), 1);
        QCOMPARE(rig.acq->PollState, 1);
    }

    void scanFillsSlotsFromAnswers()
    {
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "Orvane Module V1, 0x2000B7xyz", "" });
        rig.acq->MainTimerTimer();
        auto &m = rig.acq->ModObject;
        QVERIFY(m[1]->Present && !m[2]->Present && m[3]->Present && !m[4]->Present);
        QCOMPARE(m[1]->SerialText, QByteArray("0x1004A2"));
        QCOMPARE(m[3]->SerialText, QByteArray("0x2000B7"));
        QCOMPARE(m[3]->ScanText, QByteArray("Orvane Module V1, 0x2000B7xyz"));
        QCOMPARE(rig.acq->SelectedModule, 1);
        QVERIFY(rig.acq->CyclicUpdate);
        QVERIFY(rig.view.cycleRunning);
        QCOMPARE(rig.view.oviLabel, QByteArray("OVI20417 "));
        QCOMPARE(rig.view.moduleLabels[1], QByteArray("0x1004A2 missed samples"));
        QCOMPARE(rig.view.moduleLabels[2], QByteArray("-"));
        QCOMPARE(rig.view.moduleLabels[3], QByteArray("0x2000B7 missed samples"));
        QCOMPARE(rig.view.moduleLabels[4], QByteArray("-"));
        QCOMPARE(rig.view.visiblePanel, 4);
        QCOMPARE(rig.view.settingsUpdates, 1);
        // Empty slots lose their traces; a slot that gets a module it did not
        // hold before starts without traces too.
        QCOMPARE(rig.trace.removed, QList<int>({ 1, 2, 3, 4 }));
        // Scan frames and their log lines.
        // Identity, the four scan frames, then the same tick's first poll.
        for (int band = 1; band <= 4; ++band)
            QCOMPARE(rig.driver.written[band], scanRequest(band));
        QCOMPARE(rig.driver.written.size(), 6);
        QCOMPARE(rig.acq->TxCount, 1);
        QCOMPARE(rig.acq->PollState, 2);
        QVERIFY(rig.memo.history.contains("< Scan band 2"));
        QVERIFY(rig.memo.history.contains("> Orvane Module, 0x1004A2"));
        QVERIFY(rig.memo.history.contains("> "));
        // Tree: root, interface, module nodes below it.
        TreeNode *iface = rig.tree.firstNode()->firstChild();
        QCOMPARE(iface->text(), QByteArray("Orvane Interface|Connected||Level 2"));
        QCOMPARE(iface->imageIndex(), 1);
    }

    // An unsupported type: the warning, and nothing else changes.
    void unsupportedTypeLeavesSlotAsItWas()
    {
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0xA000C1", "", "", "" });
        rig.acq->MainTimerTimer();
        QVERIFY(!rig.acq->ModObject[1]->Present && !rig.acq->CyclicUpdate);
        QCOMPARE(rig.messages.warnings,
            QByteArrayList { "Module Type Error|A module of type 17 is detected. This type is not "
                             "supported in this software version. Check for software update." });
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->ScanButtonClick();
        rig.scriptScan({ "Orvane Module, 0x3000C1", "", "", "" });
        rig.acq->ScanButtonClick();
        QVERIFY(rig.acq->ModObject[1]->Present && rig.acq->CyclicUpdate);
        QCOMPARE(rig.acq->ModObject[1]->SerialText, QByteArray("0x1004A2"));
        QCOMPARE(rig.messages.warnings.size(), 2);
    }

    // A rescan that finds the same module keeps its trace ticks and traces;
    // another module in the slot starts without them.
    void rescanKeepsTracesOfSameModuleOnly_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("same serial") << QByteArray("Orvane Module, 0x1004A2") << true;
        QTest::newRow("other serial") << QByteArray("Orvane Module, 0x1004B7") << false;
        QTest::newRow("other type") << QByteArray("Orvane Module, 0x2004A2") << false;
    }
    void rescanKeepsTracesOfSameModuleOnly()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, kept);
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->MainTimerTimer();
        rig.acq->ModObject[1]->TraceFlags[3] = 1;
        rig.trace.removed.clear();
        rig.scriptScan({ answer, "", "", "" });
        rig.acq->ScanButtonClick();
        QCOMPARE(rig.acq->ModObject[1]->TraceFlags[3], kept ? 1 : 0);
        QCOMPARE(rig.trace.removed.contains(1), !kept);
    }

    void onlySlotThreeIsPolled()
    {
        Rig rig;
        rig.scriptScan({ "", "", "Orvane Module, 0x1004A2", "" });
        rig.acq->MainTimerTimer(); // start-up scan, then step 1 in the same tick
        QVERIFY(rig.acq->CyclicUpdate);
        QCOMPARE(rig.acq->PollState, 2);
        QCOMPARE(rig.acq->TxCount, 0);
        rig.acq->MainTimerTimer();
        rig.acq->MainTimerTimer();
        rig.acq->MainTimerTimer();
        rig.acq->MainTimerTimer(); // steps 2 to 5: one cycle done
        QCOMPARE(rig.acq->TxCount, 1);
        QCOMPARE(rig.view.txRxUpdates, 1);
        rig.driver.written.clear();
        rig.driver.calls.clear();
        for (int cycle = 2; cycle <= 4; ++cycle) {
            for (int step = 1; step <= 5; ++step) {
                const int readsBefore = rig.driver.calls.count("FT_Read");
                const int writesBefore = rig.driver.calls.count("FT_Write");
                rig.acq->MainTimerTimer();
                QCOMPARE(rig.driver.calls.count("FT_Read") - readsBefore, step >= 2 ? 1 : 0);
                QCOMPARE(rig.driver.calls.count("FT_Write") - writesBefore, step == 3 ? 1 : 0);
            }
            QCOMPARE(rig.acq->TxCount, cycle);
            QCOMPARE(rig.acq->PollState, 1);
        }
        QCOMPARE(rig.view.txRxUpdates, 4);
        QCOMPARE(rig.trace.refreshes, 4);
    }

    void stoppedCycleChangesNothingAndResumesWhereItStood()
    {
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->MainTimerTimer(); // start-up scan and step 1
        rig.acq->MainTimerTimer(); // step 2
        QCOMPARE(rig.acq->PollState, 3);
        rig.acq->GreenCyclicButtonClick();
        QVERIFY(!rig.view.cycleRunning);
        const auto tx = rig.acq->TxCount, rx = rig.acq->RxCount, bad = rig.acq->BadRxCount;
        const auto calls = rig.driver.calls.size();
        for (int i = 0; i < 7; ++i)
            rig.acq->MainTimerTimer();
        QCOMPARE(rig.acq->PollState, 3);
        QCOMPARE(rig.acq->TxCount, tx);
        QCOMPARE(rig.acq->RxCount, rx);
        QCOMPARE(rig.acq->BadRxCount, bad);
        QCOMPARE(rig.driver.calls.size(), calls); // not even a read
        rig.acq->RedCyclicButtonClick();
        rig.acq->MainTimerTimer();
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
            auto &module = *rig.acq->ModObject[2];
            module.SerialText = "0x1004A2";
            module.Reply = "stale";
            rig.acq->ProcessData(2, r.received);
            const bool good = r.fault == ReplyFault::None;
            QCOMPARE(module.Reply, r.received.first(r.accepted));
            QCOMPARE(rig.acq->RxCount, good ? 1 : 0);
            QCOMPARE(rig.acq->BadRxCount, good ? 0 : 1);
            QCOMPARE(rig.memo.history,
                good ? QByteArrayList() : QByteArrayList { "> 0x1004A2" + lines[r.fault] });
        }
    }

    void findModBySN_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("slot");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("both contain: higher slot") << QByteArray("0x10045") << 3;
        QTest::newRow("unique") << QByteArray("0x20") << 4;
        QTest::newRow("none") << QByteArray("0x99") << 0;
        QTest::newRow("case sensitive") << QByteArray("0X1004") << 0;
    }
    void findModBySN()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, slot);
        Rig rig;
        rig.acq->ModObject[1]->SerialText = "0x10045A";
        rig.acq->ModObject[3]->SerialText = "0x10045B"; // absent slots are searched too
        rig.acq->ModObject[4]->SerialText = "0x20000C";
        QCOMPARE(rig.acq->FindModBySN(text), slot);
    }

    void createModuleList_data()
    {
        QTest::addColumn<QList<bool>>("present");
        QTest::addColumn<QList<int>>("list");
        QTest::newRow("1 and 4") << QList<bool> { true, false, false, true }
                                 << QList<int> { 1, 4, 0, 0 };
        QTest::newRow("none") << QList<bool> { false, false, false, false }
                              << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("only 4") << QList<bool> { false, false, false, true }
                                << QList<int> { 4, 0, 0, 0 };
        QTest::newRow("2 3 4") << QList<bool> { false, true, true, true }
                               << QList<int> { 2, 3, 4, 0 };
        QTest::newRow("all") << QList<bool> { true, true, true, true } << QList<int> { 1, 2, 3, 4 };
    }
    void createModuleList()
    {
        QFETCH(QList<bool>, present);
        QFETCH(QList<int>, list);
        Rig rig;
        for (int i = 0; i < 4; ++i)
            rig.acq->ModObject[i + 1]->Present = present[i];
        rig.acq->CreateModuleList();
        QCOMPARE((QList<int> { rig.acq->ModuleList[1], rig.acq->ModuleList[2],
                     rig.acq->ModuleList[3], rig.acq->ModuleList[4] }),
            list);
    }

    void rescanAfterUnplugShowsNotFoundAndKeepsLabels()
    {
        Rig rig;
        rig.scriptScan({ "", "Orvane Module, 0x1004A2", "", "" });
        rig.acq->MainTimerTimer();
        QCOMPARE(rig.view.moduleLabels[2], QByteArray("0x1004A2 missed samples"));
        rig.driver.devices.clear(); // unplugged
        rig.acq->ScanButtonClick();
        TreeNode *iface = rig.tree.firstNode()->firstChild();
        QCOMPARE(iface->text(), QByteArray("Orvane Interface|Not Found||Level 2"));
        QCOMPARE(iface->imageIndex(), 7);
        QCOMPARE(rig.view.moduleLabels[2], QByteArray("0x1004A2 missed samples"));
        QCOMPARE(rig.view.moduleLabels[1], QByteArray("-"));
        QVERIFY(!rig.acq->CyclicUpdate);
        QCOMPARE(rig.acq->SelectedModule, 2);
        QCOMPARE(rig.acq->TxCount, 0);
        // An operator's edit of the lost module puts no node back.
        rig.acq->moduleEdited(2);
        QCOMPARE(rig.tree.count(), 2);
    }

    void lostInterfaceStopsCycleOnNextTick()
    {
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->MainTimerTimer(); // start-up scan and step 1
        rig.driver.failures = { { "FT_Read", FT_IO_ERROR }, { "FT_Write", FT_IO_ERROR } };
        rig.acq->MainTimerTimer(); // step 2: read fails, the tick completes
        QCOMPARE(rig.messages.errors.first(), QByteArray("FT_Read - General IO error..."));
        QCOMPARE(rig.acq->PollState, 3);
        QVERIFY(rig.acq->CyclicUpdate);
        rig.acq->MainTimerTimer(); // next tick: not connected, cycle off
        QVERIFY(!rig.acq->CyclicUpdate);
        QVERIFY(!rig.view.cycleRunning);
        QCOMPARE(rig.acq->PollState, 3);
        // Turning it on again is undone by the next tick.
        rig.acq->RedCyclicButtonClick();
        rig.acq->MainTimerTimer();
        QVERIFY(!rig.acq->CyclicUpdate);
    }

    void closeWaitsThenClosesDevice()
    {
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->MainTimerTimer();
        int ticksDuringWait = 0;
        qsizetype callsDuringWait = 0;
        rig.acq->IntObject->setWaitFunction([&](int ms) {
            QCOMPARE(ms, 1000);
            const auto before = rig.driver.calls.size();
            rig.acq->MainTimerTimer();
            rig.acq->MainTimerTimer();
            ++ticksDuringWait;
            callsDuringWait = rig.driver.calls.size() - before;
            QVERIFY(!rig.driver.calls.contains("FT_Close"));
        });
        rig.acq->FormClose();
        QCOMPARE(ticksDuringWait, 1);
        QCOMPARE(callsDuringWait, 0); // only the connection check, no device call
        QCOMPARE(rig.driver.calls.last(), QString("FT_Close"));
        QVERIFY(!rig.acq->IntObject->device().IsOpen());
    }

    // Something happens during the scan's n-th wait (1: the identity wait,
    // 2..5: the waits of bands 0..3). After a close the scan does nothing more
    // with the device but close it; after an unplug the operator sees one
    // error and the bands not yet answered count as not answering.
    void scanStopsTalkingToTheDevice_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("atWait");
        QTest::addColumn<int>("bandsLogged");
        QTest::newRow("close during identity") << "close" << 1 << 0;
        QTest::newRow("close during band 0") << "close" << 2 << 1;
        QTest::newRow("close during band 2") << "close" << 4 << 3;
        QTest::newRow("unplug during band 0") << "unplug" << 2 << 1;
        QTest::newRow("unplug during band 2") << "unplug" << 4 << 3;
    }
    void scanStopsTalkingToTheDevice()
    {
        QFETCH(QString, event);
        QFETCH(int, atWait);
        QFETCH(int, bandsLogged);
        Rig rig;
        rig.scriptScan({ "Orvane Module, 0x1004A2", "Orvane Module, 0x1004A3",
            "Orvane Module, 0x1004A4", "Orvane Module, 0x1004A5" });
        int waits = 0;
        qsizetype callsAtEvent = -1;
        rig.acq->IntObject->setWaitFunction([&](int) {
            if (++waits != atWait)
                return;
            if (event == "close") {
                rig.acq->FormClose(); // its own wait is the next one, a no-op
                callsAtEvent = rig.driver.calls.size();
            } else {
                rig.driver.failures = { { "FT_Read", FT_IO_ERROR }, { "FT_Write", FT_IO_ERROR } };
            }
        });
        rig.acq->MainTimerTimer(); // start-up scan

        const QStringList scanLines = [&] {
            QStringList lines;
            for (const QByteArray &l : rig.memo.history)
                if (l.startsWith("< Scan band"))
                    lines.append(QString::fromLatin1(l));
            return lines;
        }();
        QCOMPARE(scanLines.size(), bandsLogged);
        if (event == "close") {
            QCOMPARE(rig.driver.calls.mid(callsAtEvent - 1), QStringList { "FT_Close" });
            QVERIFY(rig.messages.errors.isEmpty());
        } else {
            QCOMPARE(rig.messages.errors.size(), 1);
            QVERIFY(!rig.acq->CyclicUpdate);
        }
        // A band answered before the event keeps its module; none after it.
        for (int slot = 1; slot <= 4; ++slot)
            QCOMPARE(rig.acq->ModObject[slot]->Present, slot < atWait - 1);
    }

    void secondScanInsideScanWaitIsIgnored()
    {
        Rig rig;
        int nested = 0;
        rig.acq->IntObject->setWaitFunction([&](int) {
            if (nested++ == 0)
                rig.acq->ScanButtonClick();
        });
        rig.scriptScan({ "Orvane Module, 0x1004A2", "", "", "" });
        rig.acq->MainTimerTimer();
        QCOMPARE(rig.memo.history.count("Scanning for FTDI devices..."), 1);
        QVERIFY(rig.acq->ModObject[1]->Present);
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
