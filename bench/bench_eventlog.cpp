// Cost of event-log lines at the rate of a busy data service: a batch of 4,000
// lines is what 200,000 requests per second deliver every 20 ms.
//   BM_EventLogBatch/0: the console category off (the main thread's share).
//   BM_EventLogBatch/1: the console on; the time per batch is the main
//     thread's (the lines are queued for the console thread).
//   BM_EventLogConsole: the console on, and each batch waits until the
//     console thread has written it: the cost of writing a line out.
// Run with stderr sent somewhere (2>/dev/null or 2>file): that is where the
// console lines go.
#include "CountingMemo.h"
#include "common/EventLog.h"

#include <benchmark/benchmark.h>

#include <QList>

using namespace orvane;
using bench::CountingMemo;

namespace {

QList<QByteArray> batch()
{
    QList<QByteArray> lines;
    for (int i = 0; i < 4000; ++i)
        lines.append("Data received : " + QByteArray::number(i));
    return lines;
}

void setConsole(bool on)
{
    const_cast<QLoggingCategory &>(lcEventLog()).setEnabled(QtInfoMsg, on);
}

void BM_EventLogBatch(benchmark::State &state)
{
    setConsole(state.range(0) != 0);
    CountingMemo memo;
    const QList<QByteArray> lines = batch();
    for (auto _ : state) {
        state.PauseTiming();
        QList<QByteArray> copy;
        for (const QByteArray &line : lines)
            copy.append(QByteArray(line.constData(), line.size())); // fresh lines, as delivered
        state.ResumeTiming();
        appendEventLogLines(&memo, copy);
        copy.clear(); // the lines are freed on the main thread too
        state.PauseTiming();
        flushEventLogConsole(60000); // keep the console's backlog out of the next batch
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
    setConsole(false);
}
BENCHMARK(BM_EventLogBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_EventLogConsole(benchmark::State &state)
{
    setConsole(true);
    CountingMemo memo;
    const QList<QByteArray> lines = batch();
    for (auto _ : state) {
        appendEventLogLines(&memo, lines);
        flushEventLogConsole(60000);
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
    setConsole(false);
}
BENCHMARK(BM_EventLogConsole)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
