// Runs the program's session without a window: the simulated demonstration
// network polled on the 180 ms threaded timer, the modules published to the
// real TcpDataServer after every cycle, the server's event-log batches
// applied to a memo. It measures how far the ticks stray from 180 ms while
// clients load the server.
// The measuring starts after the start-up scan, which runs inside the first
// tick and holds the timer for about a second; "SCANNED" then tells a load
// script that the server polls. SIGUSR1 prints the tick figures since the
// previous SIGUSR1 (on the next tick) and starts a new window. Ends by
// itself after --seconds.
//
//   tool_serverhost --port 5101 [--backend epoll|qt] [--seconds 120]

#include "CountingMemo.h"
#include "acquisition/ThdTimer.h"
#include "app/OrvaneSession.h"
#include "common/EventLog.h"
#include "load_common.h"
#include "sim/Scenario.h"
#include "sim/SimDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace orvane;
using bench::CountingMemo;

namespace {

volatile std::sig_atomic_t g_reportRequested = 0;

void onReportSignal(int)
{
    g_reportRequested = 1;
}

// CPU time of the calling thread, seconds.
double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// A window of ticks; the main thread's CPU time in it shows what the
// event-log batches and publishing cost it.
struct TickWindow
{
    double mainCpuAtStart = threadCpuSeconds();
    QElapsedTimer wall = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    int ticks = 0;
    double maxDeviationMs = 0;
    double sumDeviationMs = 0;
    int over10Ms = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int port = 5101;
    double seconds = 120;
    TcpDataServer::Backend backend = TcpDataServer::Backend::Auto;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--port")
            port = std::atoi(value.c_str());
        else if (key == "--seconds")
            seconds = std::atof(value.c_str());
        else if (key == "--backend")
            backend
                = value == "qt" ? TcpDataServer::Backend::QtNetwork : TcpDataServer::Backend::Epoll;
    }
    bench::raiseDescriptorLimit();
    std::signal(SIGUSR1, onReportSignal);

    CountingMemo memo;
    AcquisitionControl::Ports ports;
    ports.eventLog = &memo;
    OrvaneSession::Options options;
    options.dataPort = quint16(port);
    options.serverBackend = backend;
    OrvaneSession session(std::make_unique<SimDriver>(builtInScenario()), ports, options);
    TcpDataServer &server = *session.server();
    if (!server.isListening()) {
        std::fprintf(stderr, "tool_serverhost: %s\n", server.errorText().constData());
        return 1;
    }
    session.start("bench");
    std::printf("READY port %d backend %s\n", int(server.port()),
        server.activeBackend() == TcpDataServer::Backend::Epoll ? "epoll" : "qt");
    std::fflush(stdout);

    // The session's polling tick, measured before it runs.
    TickWindow window;
    QElapsedTimer sinceTick;
    TThreadedTimer &timer = *session.timer();
    timer.OnTimer = [&](TThreadedTimer *) {
        const bool scanTick = session.acquisition()->StartUp;
        if (sinceTick.isValid()) {
            const double deviation = std::abs(sinceTick.nsecsElapsed() / 1e6 - 180.0);
            ++window.ticks;
            window.sumDeviationMs += deviation;
            window.maxDeviationMs = std::max(window.maxDeviationMs, deviation);
            window.over10Ms += deviation > 10.0;
        }
        sinceTick.start();
        session.acquisition()->MainTimerTimer();
        if (scanTick) {
            // The period that spans the scan is no polling tick.
            sinceTick.invalidate();
            window = {};
            std::printf("SCANNED\n");
            std::fflush(stdout);
            return;
        }
        if (g_reportRequested) {
            g_reportRequested = 0;
            const auto s = server.stats();
            std::printf(
                "JITTER ticks %d max_ms %.2f mean_ms %.2f over10 %d requests %lld "
                "dropped_log %lld pending_mib %.1f max_pending_mib %.1f main_cpu_pct %.1f\n",
                window.ticks, window.maxDeviationMs,
                window.ticks ? window.sumDeviationMs / window.ticks : 0.0, window.over10Ms,
                static_cast<long long>(s.requests), static_cast<long long>(s.droppedLogLines),
                double(s.pendingOutput) / (1 << 20), double(s.maxTotalPendingOutput) / (1 << 20),
                100.0 * (threadCpuSeconds() - window.mainCpuAtStart) / window.wall.elapsed()
                    * 1000);
            std::fflush(stdout);
            window = {};
        }
    };
    QTimer::singleShot(int(seconds * 1000), &app, &QCoreApplication::quit);
    const int rc = app.exec();
    session.close();
    return rc;
}
