// Cost of the trace window's plot: one full paint (713 x 241, six traces of
// 1001 points, grid, labels, legend) against two references on the same data
// in the same run: the floor (the same polylines drawn by a bare QPainter
// loop into a QImage) and, when it is installed, QCustomPlot's replot of the
// same six graphs. Two data sets: smooth (sines) and a random walk. Also the
// per-cycle RefreshTraces of a hidden window, a rubber-band mouse move, and
// the heap allocations of each. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "modules/OVModObjectUnit.h"
#include "trace/PlotComp.h"
#include "trace/TPlotWindowUnit.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#ifdef ORVANE_BENCH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>

// --- heap allocation counter ---
namespace {
std::atomic<bool> g_counting { false };
std::atomic<long> g_allocations { 0 };
} // namespace

void *operator new(std::size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

using namespace orvane;

namespace {
constexpr int kPoints = 1001;
constexpr int kTraces = 6;
constexpr double kYSpan = 25.0;

// Six traces of (x, y): x = 0 .. 1000, y inside 0 .. 25.
struct DataSet
{
    const char *name;
    std::array<std::vector<double>, kTraces> x, y;
};

DataSet smoothData()
{
    DataSet d { "smooth", {}, {} };
    for (int t = 0; t < kTraces; ++t) {
        for (int j = 0; j < kPoints; ++j) {
            d.x[t].push_back(j);
            d.y[t].push_back(12.5 + (9.0 - t) * std::sin(j / (40.0 + 13 * t) + t));
        }
    }
    return d;
}

DataSet walkData()
{
    DataSet d { "walk", {}, {} };
    std::mt19937 random(7);
    std::normal_distribution<double> step(0.0, 0.6);
    for (int t = 0; t < kTraces; ++t) {
        double v = 4.0 + 3.0 * t;
        for (int j = 0; j < kPoints; ++j) {
            v += step(random);
            if (v < 0.0)
                v = -v;
            if (v > kYSpan)
                v = 2 * kYSpan - v;
            d.x[t].push_back(j);
            d.y[t].push_back(v);
        }
    }
    return d;
}

const DataSet &dataSet(int index)
{
    static const DataSet sets[2] = { smoothData(), walkData() };
    return sets[index];
}

const QColor kColors[kTraces] = { QColor(0, 0, 255), QColor(128, 0, 0), QColor(0, 128, 0),
    QColor(255, 0, 0), QColor(0, 0, 128), QColor(0, 0, 0) };

// The trace window, shown, with the data set in its store.
TPlotWindow &window(int index)
{
    static TPlotWindow *windows[2] = {};
    if (!windows[index]) {
        windows[index] = new TPlotWindow;
        TPlot *plot = windows[index]->Plot;
        const DataSet &d = dataSet(index);
        for (int t = 0; t < kTraces; ++t)
            plot->model().AddPoints(t + 1, d.x[t], d.y[t]);
        windows[index]->show();
        QCoreApplication::processEvents();
    }
    return *windows[index];
}

// Forces the next paint to render everything again without touching the
// store: a property assignment with the value it already has.
void invalidate(TPlot *plot)
{
    plot->setTitleColor(plot->TitleColor());
}

void BM_PlotRender(benchmark::State &state)
{
    TPlot *plot = window(int(state.range(0))).Plot;
    for (auto _ : state) {
        invalidate(plot);
        benchmark::DoNotOptimize(plot->render().constBits());
    }
    state.SetLabel(dataSet(int(state.range(0))).name);
}

void BM_PlotPaint(benchmark::State &state)
{
    TPlot *plot = window(int(state.range(0))).Plot;
    for (auto _ : state) {
        invalidate(plot);
        plot->repaint();
    }
    state.SetLabel(dataSet(int(state.range(0))).name);
}

// The floor: only the six polylines, from pixel points computed beforehand,
// drawn by QPainter into an image of the plot's client size.
void BM_FloorPolylines(benchmark::State &state)
{
    const DataSet &d = dataSet(int(state.range(0)));
    TPlot *plot = window(int(state.range(0))).Plot;
    QImage image(plot->contentsRect().size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    std::array<std::vector<QPoint>, kTraces> points;
    for (int t = 0; t < kTraces; ++t)
        for (int j = 0; j < kPoints; ++j)
            points[t].push_back(plot->DataToPixel(t + 1, d.x[t][j], d.y[t][j]));
    for (auto _ : state) {
        QPainter p(&image);
        for (int t = 0; t < kTraces; ++t) {
            p.setPen(kColors[t]);
            p.drawPolyline(points[t].data(), kPoints);
        }
    }
    state.SetLabel(d.name);
}

#ifdef ORVANE_BENCH_QCUSTOMPLOT
// QCustomPlot with the same six graphs, size and ranges; range(1) switches
// its antialiasing off (1) or leaves its default (0).
void BM_QCustomPlotReplot(benchmark::State &state)
{
    const DataSet &d = dataSet(int(state.range(0)));
    QCustomPlot plot;
    plot.resize(713, 241);
    for (int t = 0; t < kTraces; ++t) {
        QCPGraph *graph = plot.addGraph();
        graph->setPen(QPen(kColors[t]));
        graph->setData(QVector<double>(d.x[t].begin(), d.x[t].end()),
            QVector<double>(d.y[t].begin(), d.y[t].end()), true);
    }
    plot.xAxis->setRange(0, 1000);
    plot.yAxis->setRange(0, kYSpan);
    if (state.range(1))
        plot.setNotAntialiasedElements(QCP::aeAll);
    plot.show();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    for (auto _ : state)
        plot.replot(QCustomPlot::rpImmediateRefresh);
    state.SetLabel(std::string(d.name) + (state.range(1) ? " no-AA" : " default"));
}
#endif

// One polling cycle's RefreshTraces of a hidden window with six traces of
// two modules (no paint).
void BM_RefreshTraces(benchmark::State &state)
{
    TPlotWindow w;
    TOV_MOD_Object modules[4];
    for (TOV_MOD_Object &m : modules)
        m.SerialText = "0x1004A2";
    w.SetModules({ &modules[0], &modules[1], &modules[2], &modules[3] });
    for (int i = 1; i <= 6; ++i)
        w.AddTrace(i <= 3 ? 1 : 2, i);
    double v = 0.0;
    for (auto _ : state) {
        modules[0].Samples[1].Current = v;
        modules[1].Samples[5].Current = v;
        v += 0.01;
        w.RefreshTraces();
    }
}

// A mouse move during a zoom drag, with the paint it causes: the rubber band
// over the cached image.
void BM_RubberBandMove(benchmark::State &state)
{
    TPlot *plot = window(int(state.range(0))).Plot;
    plot->repaint();
    const quint64 renders = plot->renderCount();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton,
        Qt::LeftButton, {});
    QCoreApplication::sendEvent(plot, &press);
    int k = 0;
    for (auto _ : state) {
        const QPointF at(300 + (k++ % 2) * 50, 150);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(plot, &move);
        QCoreApplication::sendPostedEvents();
    }
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 50), QPointF(100, 50),
        Qt::LeftButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(plot, &release);
    if (plot->renderCount() != renders)
        state.SkipWithError("a rubber-band move rendered the traces");
}

// Five repetitions each; the summary compares the fastest, the run least
// disturbed by other work on the machine.
void setUp(benchmark::internal::Benchmark *b)
{
    b->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
    b->ComputeStatistics(
        "min", [](const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_PlotRender)->Arg(0)->Arg(1)->Apply(setUp);
BENCHMARK(BM_PlotPaint)->Arg(0)->Arg(1)->Apply(setUp);
BENCHMARK(BM_FloorPolylines)->Arg(0)->Arg(1)->Apply(setUp);
#ifdef ORVANE_BENCH_QCUSTOMPLOT
BENCHMARK(BM_QCustomPlotReplot)->ArgsProduct({ { 0, 1 }, { 0, 1 } })->Apply(setUp);
#endif
BENCHMARK(BM_RefreshTraces)->Apply(setUp);
BENCHMARK(BM_RubberBandMove)->Arg(0)->Apply(setUp);

// Keeps every run's real and CPU time per iteration (µs) for the summary: the
// fastest repetition, or the single run without repetitions.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    struct Times
    {
        double real = 0.0;
        double cpu = 0.0;
    };
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            std::string name = run.benchmark_name();
            const auto repeats = name.find("/repeats:");
            if (repeats != std::string::npos)
                name.erase(repeats, name.find('_', repeats) - repeats);
            times[name] = { run.GetAdjustedRealTime(), run.GetAdjustedCPUTime() };
        }
        ConsoleReporter::ReportRuns(runs);
    }
    Times time(const std::string &name) const
    {
        auto it = times.find(name + "_min");
        if (it == times.end())
            it = times.find(name);
        return it == times.end() ? Times {} : it->second;
    }
    std::map<std::string, Times> times;
};

template <typename F> double allocationsPer(int rounds, F &&work)
{
    work(); // warm up caches and layouts
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < rounds; ++i)
        work();
    g_counting = false;
    return double(g_allocations) / rounds;
}

void printAllocations()
{
    constexpr int rounds = 50;
    TPlot *plot = window(0).Plot;
    std::printf("\nHeap allocations (mean of %d):\n", rounds);
    std::printf("  render into the cached image: %.1f\n", allocationsPer(rounds, [&] {
        invalidate(plot);
        plot->render();
    }));
    std::printf("  full widget paint:            %.1f\n", allocationsPer(rounds, [&] {
        invalidate(plot);
        plot->repaint();
    }));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton,
        Qt::LeftButton, {});
    QCoreApplication::sendEvent(plot, &press);
    int k = 0;
    std::printf("  rubber-band move with paint:  %.1f\n", allocationsPer(rounds, [&] {
        const QPointF at(300 + (k++ % 2) * 50, 150);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(plot, &move);
        QCoreApplication::sendPostedEvents();
    }));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 50), QPointF(100, 50),
        Qt::LeftButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(plot, &release);
    TPlotWindow w;
    TOV_MOD_Object modules[4];
    w.SetModules({ &modules[0], &modules[1], &modules[2], &modules[3] });
    for (int i = 1; i <= 6; ++i)
        w.AddTrace(1, i);
    std::printf("  RefreshTraces (hidden):       %.1f\n",
        allocationsPer(rounds, [&] { w.RefreshTraces(); }));
}

void printRatios(const SummaryReporter &r)
{
    std::printf("\nFull paint against the references, fastest repetition, real (CPU) us:\n");
    for (int set = 0; set < 2; ++set) {
        const std::string arg = "/" + std::to_string(set);
        const auto render = r.time("BM_PlotRender" + arg);
        const auto paint = r.time("BM_PlotPaint" + arg);
        const auto floor = r.time("BM_FloorPolylines" + arg);
        if (render.real <= 0 || paint.real <= 0 || floor.real <= 0)
            continue; // left out by a filter
        std::printf("  %-6s render %.0f (%.0f), widget paint %.0f (%.0f), floor %.0f (%.0f)\n",
            dataSet(set).name, render.real, render.cpu, paint.real, paint.cpu, floor.real,
            floor.cpu);
        std::printf("         paint/floor %.2f (%.2f), render/floor %.2f (%.2f)\n",
            paint.real / floor.real, paint.cpu / floor.cpu, render.real / floor.real,
            render.cpu / floor.cpu);
#ifdef ORVANE_BENCH_QCUSTOMPLOT
        for (int noAa = 0; noAa <= 1; ++noAa) {
            const auto qcp = r.time("BM_QCustomPlotReplot" + arg + "/" + std::to_string(noAa));
            std::printf("         QCustomPlot replot, %s: %.0f (%.0f), paint/replot %.2f (%.2f)\n",
                noAa ? "no antialiasing" : "default", qcp.real, qcp.cpu, paint.real / qcp.real,
                paint.cpu / qcp.cpu);
        }
#endif
    }
#ifndef ORVANE_BENCH_QCUSTOMPLOT
    std::printf("  QCustomPlot (Qt 6) was not found when configuring: no comparison.\n");
#endif
    const auto refresh = r.time("BM_RefreshTraces");
    const auto band = r.time("BM_RubberBandMove/0");
    std::printf("  RefreshTraces, hidden window: %.1f (%.1f)\n", refresh.real, refresh.cpu);
    std::printf("  Rubber-band move with its paint: %.1f (%.1f)\n", band.real, band.cpu);
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    printAllocations();
    benchmark::Shutdown();
    return 0;
}
