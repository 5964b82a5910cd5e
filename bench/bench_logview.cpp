// Opening and drawing a week-long measurement log: 600,000 lines of eight
// signals, a line a second, written the way the program writes its logs.
// Prints the time to open it in a viewer window (read, window, first paint)
// and the process memory after it, then the time of one paint of the plot at
// the full view and zoomed, against QCustomPlot 2.1 with its adaptive
// sampling on the same data at the same size (when installed), and the
// slowest paint over many random zooms. Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.
//
//   bench_logview [--lines N] [--write-log FILE]
// --write-log only writes the log (for a look at it in the program).
#include "trace/LogViewerUnit.h"
#include "trace/MeasurementLog.h"
#include "trace/PlotComp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#ifdef ORVANE_BENCH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace orvane;

namespace {
constexpr int kSignals = 8;
constexpr double kDay = 86400;

// A module's eight signals over a week: battery, two temperatures, three
// analog inputs with daily cycles and noise, two relays.
QString writeWeekLog(const QString &path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray text = "# Measurement : " + QFileInfo(path).fileName().toLatin1() + "\r\n";
    for (const char *signal :
        { "Battery Volt",
            "Temperature \xb0"
            "C",
            "Temperature \xb0"
            "F",
            "Analog 1 Volt", "Analog 2 Volt", "Analog 3 Volt", "Relay 1 On/Off", "Relay 2 On/Off" })
        text += QByteArray("# ") + signal + "\r\n";
    QRandomGenerator random(17);
    double battery = 12.6;
    char line[160];
    for (int i = 0; i < lines; ++i) {
        const double t = i;
        const double day = std::sin(2 * M_PI * t / kDay);
        battery = std::clamp(battery + (random.generateDouble() - 0.5) * 0.002, 11.0, 13.8);
        const double celsius = 18 + 6 * day + random.generateDouble() * 0.2;
        const double values[kSignals] = { battery, celsius, celsius * 1.8 + 32,
            2.5 + 2 * std::sin(t / 600) + random.generateDouble() * 0.05,
            1.2 + day + (random.bounded(1000) == 0 ? 2.0 : 0.0),
            4.0 * ((i / 1800) % 2) + random.generateDouble() * 0.01, celsius > 21 ? 1.0 : 0.0,
            (i / 7200) % 3 == 0 ? 1.0 : 0.0 };
        const int s = i % 86400;
        int n = std::snprintf(line, sizeof line, "%02d:%02d:%02d ", s / 3600, s / 60 % 60, s % 60);
        for (double v : values)
            n += std::snprintf(line + n, sizeof line - n, " %10.4f", v);
        text.append(line, n).append("\r\n");
        if (text.size() > (1 << 22)) {
            file.write(text);
            text.clear();
        }
    }
    file.write(text);
    return file.error() == QFileDevice::NoError ? path : QString();
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Fastest of `rounds` runs, in milliseconds.
double fastest(int rounds, const std::function<void()> &work)
{
    work();
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, msSince(start));
    }
    return best;
}

// A view from `origin` over `span` seconds, as a zoom leaves it.
void setView(TPlot *plot, double origin, double span)
{
    plot->model().restoreFullView();
    plot->setXScaleOrigin(origin);
    plot->setXScaleSpan(span);
}

struct Zoom
{
    const char *name;
    double span;
};
const Zoom kZooms[]
    = { { "full week", 0 }, { "one day", kDay }, { "one hour", 3600 }, { "one minute", 60 } };
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = args.indexOf("--lines");
    const int lines = at > 0 ? std::max(1, args.value(at + 1).toInt()) : 600000;
    if (args.contains("--write-log")) {
        const QString path = args.value(args.indexOf("--write-log") + 1);
        return writeWeekLog(path, lines).isEmpty() ? 1 : 0;
    }

    QTemporaryDir dir;
    const QString path = writeWeekLog(dir.filePath("Data_0x2000B7_2026-12-01_00-00-00.txt"), lines);
    if (path.isEmpty()) {
        std::fprintf(stderr, "could not write the log\n");
        return 1;
    }
    std::printf(
        "Log: %d lines of %d signals, %.1f MB\n", lines, kSignals, QFileInfo(path).size() / 1e6);

    // Open it as the File menu does: read with the progress bar, the window,
    // its first paint.
    const long rssBefore = statusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    TLogViewer *viewer = TLogViewer::openLog(path, nullptr);
    if (!viewer)
        return 1;
    viewer->Plot->repaint();
    const double openMs = msSince(start);
    QCoreApplication::processEvents();
    std::printf("Open in the viewer (read, window, first paint): %.0f ms\n", openMs);
    std::printf("Process memory: %.1f MB before, %.1f MB after, peak %.1f MB (the log: %.1f MB)\n",
        rssBefore / 1024.0, statusKb("VmRSS:") / 1024.0, statusKb("VmHWM:") / 1024.0,
        (rssBefore > 0 ? statusKb("VmRSS:") - rssBefore : 0) / 1024.0);
    const double readMs = fastest(3, [&] {
        MeasurementLog log;
        readMeasurementLogFile(path, log);
    });
    std::printf("Reading the file alone, fastest of 3: %.0f ms\n", readMs);

    TPlot *plot = viewer->Plot;
    const QSize size = plot->size();
    const PlotSeriesSet &data = viewer->log().data;
    const double last = data.x.back();
    std::printf(
        "\nOne paint of the plot (%dx%d), fastest of 20, ms:\n", size.width(), size.height());
    std::vector<double> ours;
    for (const Zoom &zoom : kZooms) {
        const double span = zoom.span > 0 ? zoom.span : last;
        setView(plot, zoom.span > 0 ? last / 2 : 0.0, span);
        ours.push_back(fastest(20, [plot] {
            plot->setTitleColor(plot->TitleColor()); // renders everything again
            plot->repaint();
        }));
    }

#ifdef ORVANE_BENCH_QCUSTOMPLOT
    // Default antialiasing, then none (the faster, as ours draws).
    std::vector<double> theirs[2];
    for (int noAa = 0; noAa <= 1; ++noAa) {
        QCustomPlot custom;
        custom.resize(size);
        for (int k = 0; k < kSignals; ++k) {
            QCPGraph *graph = custom.addGraph();
            graph->setPen(QPen(TPlot::traceColor(k + 1)));
            graph->setAdaptiveSampling(true);
            const std::vector<double> &y = data.series[std::size_t(k)].y;
            graph->setData(QVector<double>(data.x.begin(), data.x.end()),
                QVector<double>(y.begin(), y.end()), true);
        }
        custom.yAxis->setRange(plot->YScaleOrigin(), plot->YScaleOrigin() + plot->YScaleSpan());
        if (noAa)
            custom.setNotAntialiasedElements(QCP::aeAll);
        custom.show();
        for (const Zoom &zoom : kZooms) {
            const double span = zoom.span > 0 ? zoom.span : last;
            const double origin = zoom.span > 0 ? last / 2 : 0.0;
            custom.xAxis->setRange(origin, origin + span);
            theirs[noAa].push_back(
                fastest(20, [&custom] { custom.replot(QCustomPlot::rpImmediateRefresh); }));
        }
    }
#endif
    for (std::size_t i = 0; i < std::size(kZooms); ++i) {
        std::printf("  %-10s  ours %6.2f", kZooms[i].name, ours[i]);
#ifdef ORVANE_BENCH_QCUSTOMPLOT
        std::printf("   QCustomPlot replot %7.2f (no antialiasing %7.2f)   ratio %.2f (%.2f)",
            theirs[0][i], theirs[1][i], ours[i] / theirs[0][i], ours[i] / theirs[1][i]);
#endif
        std::printf("\n");
    }
#ifndef ORVANE_BENCH_QCUSTOMPLOT
    std::printf("  QCustomPlot (Qt 6) was not found when configuring: no comparison.\n");
#endif

    // Any zoom: random views from ten seconds to the whole week, each
    // painted once. CPU time leaves out what other work on the machine took.
    QRandomGenerator random(3);
    std::vector<double> wall, cpu;
    for (int i = 0; i < 300; ++i) {
        const double span
            = std::exp(std::log(10.0) + random.generateDouble() * std::log(last / 10));
        setView(plot, random.generateDouble() * (last - span), span);
        const double cpuStart = threadCpuMs();
        const auto t = std::chrono::steady_clock::now();
        plot->repaint();
        wall.push_back(msSince(t));
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("\n300 random zooms, one paint each, ms: median %.2f (CPU %.2f), 99th percentile "
                "%.2f (CPU %.2f), slowest %.2f (CPU %.2f)\n",
        wall[150], cpu[150], wall[297], cpu[297], wall.back(), cpu.back());
    delete viewer;
    return 0;
}
