// Cost of the module object's work on one reply: decoding and conversion, the
// alarm check and the output rules, for each module type; one measurement log
// line (open, append, close); the whole ProcessReply with the tree update.
#include "common/NavigationTree.h"
#include "modules/ModulePorts.h"
#include "modules/OVModObjectUnit.h"
#include "protocol/WireProtocol.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace orvane;

namespace {
class NullAlarms : public AlarmOutput
{
public:
    void appendAlarmLine(const QByteArray &) override { ++count; }
    void showWarning(
        const QByteArray &, const QByteArray &, const QByteArray &, const QByteArray &) override
    {
    }
    int count = 0;
};

QByteArray packet(int length)
{
    QByteArray p(length, '\0');
    for (int i = 1; i < length - 1; ++i)
        p[i] = char(0x40 + i); // mid-scale readings, inside the default limits
    p[0] = char(length + 0x20);
    p[14] = 0x04; // type-2 temperature field 1024 + 0x4F
    p[length - 1] = char(checkByte(QByteArrayView(p).first(length - 1)));
    return p;
}

void setUp(TOV_MOD_Object &m, int type, NullAlarms &alarms, const qint32 &good)
{
    m.SerialText = "0x1004A2";
    m.Present = true;
    m.SetModuleType(type);
    m.AttachControls(nullptr, &alarms, &good);
    m.Signals[m.Output1Signal()].OutputMode = 2; // one rule, one fixed output
    m.Signals[m.Output2Signal()].OutputMode = 1;
}

void replySteps(benchmark::State &state, int type, int length)
{
    NullAlarms alarms;
    const qint32 good = 1;
    TOV_MOD_Object m;
    setUp(m, type, alarms, good);
    const QByteArray reply = packet(length);
    for (auto _ : state) {
        m.SetReply(reply);
        m.DecodeReply();
        m.CheckAlarms();
        m.EvaluateRules();
        benchmark::DoNotOptimize(m.OutputState1);
    }
    if (alarms.count > 1)
        state.SkipWithError("readings outside the limits");
}

void BM_Type1Reply(benchmark::State &state)
{
    replySteps(state, 1, 25);
}
BENCHMARK(BM_Type1Reply);

void BM_Type2Reply(benchmark::State &state)
{
    replySteps(state, 2, 28);
}
BENCHMARK(BM_Type2Reply);

void BM_ProcessReplyWithTree(benchmark::State &state)
{
    NullAlarms alarms;
    const qint32 good = 1;
    NavigationTree tree;
    TreeNode *root = tree.addRoot("Orvane System|||Level 1", 0);
    tree.addChild(root, "Orvane Interface|Connected||Level 2", 1);
    std::array<TOV_MOD_Object, 4> modules;
    for (int k = 0; k < 4; ++k) {
        setUp(modules[size_t(k)], 1 + k % 2, alarms, good);
        modules[size_t(k)].SerialText = "0x10040" + QByteArray::number(k);
        modules[size_t(k)].ProcessReply(&tree);
    }
    TOV_MOD_Object &m = modules[3]; // the last module node: the longest search
    const QByteArray reply = packet(28);
    for (auto _ : state) {
        m.SetReply(reply);
        m.ProcessReply(&tree);
    }
}
BENCHMARK(BM_ProcessReplyWithTree);

void BM_BuildRequestType2(benchmark::State &state)
{
    TOV_MOD_Object m;
    m.SetModuleType(2);
    for (auto _ : state)
        benchmark::DoNotOptimize(m.BuildRequest(2));
}
BENCHMARK(BM_BuildRequestType2);

void BM_AppendLogLine(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        TOV_MOD_Object m;
        m.SerialText = "0x1004A2";
        m.SetModuleType(2);
        m.SetLogging(true);
        for (int i = 1; i <= 8; ++i)
            m.Samples[size_t(i)].Current = 1.25 * i;
        for (auto _ : state)
            m.AppendLogLine();
    }
    QDir::setCurrent(old);
}
BENCHMARK(BM_AppendLogLine);
} // namespace

BENCHMARK_MAIN();
