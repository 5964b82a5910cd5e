// Cost of the polling cycle's work on the main thread: one end-of-cycle
// processing with four present modules (reply checks, decoding, tree update,
// rules, alarms), and one reply check alone.
#include "acquisition/AcquisitionControl.h"
#include "acquisition/d2xx/NullDriver.h"
#include "common/NavigationTree.h"
#include "protocol/WireProtocol.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLoggingCategory>

using namespace orvane;

namespace {
QByteArray packet(int length, int seed)
{
    QByteArray p(length, '\0');
    p[0] = char(length + 0x20);
    for (int i = 1; i < length - 1; ++i)
        p[i] = char((i * 37 + seed) & 0xFF);
    p[length - 1] = char(checkByte(QByteArrayView(p).first(length - 1)));
    return p;
}

struct Rig
{
    NullDriver driver;
    NavigationTree tree;
    std::unique_ptr<AcquisitionControl> acq;

    Rig()
    {
        AcquisitionControl::Ports ports;
        ports.tree = &tree;
        acq = std::make_unique<AcquisitionControl>(&driver, ports);
        acq->FormCreate();
        // Module nodes go under the interface node, as after a scan.
        tree.addChild(tree.firstNode(), "Orvane Interface|Connected||Level 2", 1);
        const char *serials[] = { "0x1004A2", "0x2000B7", "0x1004A3", "0x2000B8" };
        for (int slot = 1; slot <= 4; ++slot) {
            TOV_MOD_Object &m = *acq->ModObject[slot];
            m.ResetSignals();
            m.SerialText = serials[slot - 1];
            m.Present = true;
            m.SetModuleType(slot % 2 ? 1 : 2);
            m.ProcessReply(&tree); // creates the tree nodes
        }
    }
    void fillReplies(int seed)
    {
        for (int slot = 1; slot <= 4; ++slot)
            acq->RxData[slot] = packet(slot % 2 ? 25 : 28, seed + slot);
    }
};
} // namespace

static void BM_EndOfCycle(benchmark::State &state)
{
    Rig rig;
    int seed = 0;
    for (auto _ : state) {
        rig.fillReplies(++seed);
        rig.acq->EndOfCycle();
        benchmark::DoNotOptimize(rig.acq->RxCount);
    }
    state.counters["tree_nodes"] = rig.tree.count();
}
BENCHMARK(BM_EndOfCycle);

static void BM_ProcessData(benchmark::State &state)
{
    Rig rig;
    const QByteArray reply = packet(28, 5);
    for (auto _ : state) {
        rig.acq->ProcessData(2, reply);
        benchmark::DoNotOptimize(rig.acq->ModObject[2]->Reply);
    }
}
BENCHMARK(BM_ProcessData);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("orvane.eventlog.info=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
