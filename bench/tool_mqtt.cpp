// Figures for MQTT publishing (run_mqtt_bench.sh starts the broker):
//
//   tool_mqtt latency --port P [--cycles N]   end of cycle -> subscriber, p50/p99
//   tool_mqtt cpu --port P [--cycles N]       main-thread CPU per cycle, MQTT off/on
//   tool_mqtt ticks [--seconds S]             polling tick deviation: MQTT off, a
//                                             silent broker, one that drops SYNs
//   tool_mqtt count --port P --seconds S [--broker-pid PID]
//                                             the fleet's subscriber: every state of
//                                             every cycle, gaps, latency, broker CPU
#include "acquisition/ThdTimer.h"
#include "app/HeadlessRun.h"
#include "app/OrvaneSession.h"
#include "common/NavigationTree.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include "CountingMemo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QThread>
#include <QTimer>

#include <mosquitto.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

using namespace orvane;

namespace {
qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double threadCpuUs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p / 100.0 * double(v.size())))];
}

// A session on the built-in simulated network; with a manual clock the
// test's loop drives the ticks, with the real clock the 180 ms timer does.
struct Session
{
    bench::CountingMemo memo;
    ConsoleMessages messages;
    ConsoleAlarms alarms;
    NavigationTree tree;
    ManualSimClock manual;
    std::unique_ptr<OrvaneSession> session;

    Session(const MqttSettings &mqtt, bool realTime)
    {
        AcquisitionControl::Ports ports;
        ports.eventLog = &memo;
        ports.messages = &messages;
        ports.alarms = &alarms;
        ports.tree = &tree;
        OrvaneSession::Options options;
        options.dataPort = 0;
        options.startTimer = realTime;
        options.mqtt = mqtt;
        auto driver = realTime ? std::make_unique<SimDriver>(builtInScenario())
                               : std::make_unique<SimDriver>(builtInScenario(), manual);
        session = std::make_unique<OrvaneSession>(std::move(driver), ports, options);
        if (!realTime) {
            session->acquisition()->IntObject->setWaitFunction(
                [this](int ms) { manual.advanceMs(ms); });
            session->acquisition()->ThreadedTimer1 = nullptr;
        }
        session->start("bench");
    }
    ~Session() { session->close(); }
    void cycle()
    {
        for (int i = 0; i < 5; ++i) {
            manual.advanceMs(180);
            session->acquisition()->MainTimerTimer();
        }
    }
};

MqttSettings broker(int port)
{
    MqttSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    return s;
}

// A libmosquitto subscriber on its own loop thread that stamps what arrives.
struct Subscriber
{
    struct Message
    {
        qint64 steadyNs;
        qint64 wallMs;
        QByteArray topic;
        QByteArray payload;
        bool retained; // stored before we subscribed, not live
    };
    std::mutex mutex;
    std::vector<Message> messages;
    mosquitto *mosq = nullptr;

    Subscriber(int port, const char *topic)
    {
        mosquitto_lib_init();
        mosq = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(
            mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
                auto *s = static_cast<Subscriber *>(self);
                Message copy { steadyNs(), QDateTime::currentMSecsSinceEpoch(), m->topic,
                    QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain };
                std::lock_guard lock(s->mutex);
                s->messages.push_back(std::move(copy));
            });
        if (mosquitto_connect(mosq, "127.0.0.1", port, 60) != MOSQ_ERR_SUCCESS) {
            std::fprintf(stderr, "tool_mqtt: no broker on port %d\n", port);
            std::exit(1);
        }
        mosquitto_subscribe(mosq, nullptr, topic, 1);
        mosquitto_loop_start(mosq);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(mosq);
        mosquitto_loop_stop(mosq, false);
        mosquitto_destroy(mosq);
    }
    std::vector<Message> take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(messages, {});
    }
};

qint64 cycleOf(const QByteArray &state)
{
    const qsizetype at = state.indexOf("\"cycle\": ");
    return at < 0 ? -1 : state.mid(at + 9, 20).split(',').value(0).toLongLong();
}

int latency(int port, int cycles)
{
    Subscriber sub(port, "orvane/+/+/state");
    Session s(broker(port), false);
    QHash<qint64, qint64> endOfCycle; // cycle -> steady ns
    QObject::connect(
        s.session.get(), &OrvaneSession::cycleCompleted, [&](const SnapshotPtr &snapshot) {
            endOfCycle.insert(qint64(snapshot->cycle), steadyNs());
        });
    std::vector<double> us;
    for (int i = 0; i < cycles + 20; ++i) {
        s.cycle();
        // Until both modules' states of this cycle are in (or a second).
        QElapsedTimer wait;
        wait.start();
        int got = 0;
        while (got < 2 && wait.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            for (const auto &m : sub.take()) {
                const qint64 cycle = cycleOf(m.payload);
                if (endOfCycle.contains(cycle) && i >= 20) // the first 20: connect, warm-up
                    us.push_back((m.steadyNs - endOfCycle[cycle]) / 1e3);
                got += cycle == qint64(s.session->latestSnapshot()->cycle);
            }
        }
        QThread::msleep(2);
    }
    std::printf("latency end of cycle -> subscriber: %zu states, p50 %.0f us, p99 %.0f us, "
                "max %.0f us\n",
        us.size(), percentile(us, 50), percentile(us, 99), percentile(us, 100));
    return 0;
}

// Main-thread CPU per cycle with MQTT off and on, alternating rounds; the
// sleeps between cycles are not counted (thread CPU time).
int cpu(int port, int cycles)
{
    std::vector<double> off, on;
    for (int round = 0; round < 3; ++round) {
        for (bool mqtt : { false, true }) {
            MqttSettings settings = mqtt ? broker(port) : MqttSettings();
            Session s(settings, false);
            for (int i = 0; i < 50; ++i) // the scan and the connection
                s.cycle(), QCoreApplication::processEvents(), QThread::msleep(5);
            const double before = threadCpuUs();
            for (int i = 0; i < cycles; ++i) {
                s.cycle();
                QCoreApplication::processEvents();
                // The connection thread catches up, as it does between real
                // cycles: every hand-over then pays its wake-up.
                QThread::usleep(300);
            }
            (mqtt ? on : off).push_back((threadCpuUs() - before) / cycles);
        }
    }
    const double a = percentile(off, 50), b = percentile(on, 50);
    std::printf("main-thread CPU per cycle: MQTT off %.1f us, on %.1f us, added %.1f us "
                "(median of 3 rounds of %d cycles)\n",
        a, b, b - a, cycles);
    return 0;
}

// A listener that never accepts: with a backlog the kernel completes the
// handshake (a silent broker); with its backlog full, SYNs are dropped (an
// unreachable host).
int listener(int backlog, int prefill)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::listen(fd, backlog);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    for (int i = 0; i < prefill; ++i) {
        const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof a);
    }
    return ntohs(a.sin_port);
}

int ticks(double seconds)
{
    const int silent = listener(64, 0);
    const int blackhole = listener(0, 4);
    const struct Phase
    {
        const char *name;
        int port;
    } phases[] = { { "MQTT off", 0 }, { "silent broker", silent },
        { "SYN-dropping host", blackhole }, { "MQTT off again", 0 } };
    for (const Phase &phase : phases) {
        MqttSettings settings = phase.port ? broker(phase.port) : MqttSettings();
        settings.clientId = settings.topicPrefix = QStringLiteral("bench");
        Session s(settings, true);
        std::vector<double> deviation;
        qint64 last = 0;
        const qint64 measureFrom = steadyNs() + 3'000'000'000; // after the start-up scan
        TThreadedTimer &timer = *s.session->timer();
        timer.OnTimer = [&](TThreadedTimer *) {
            const qint64 now = steadyNs();
            if (last && last > measureFrom)
                deviation.push_back(std::abs((now - last) / 1e6 - 180.0));
            last = now;
            s.session->acquisition()->MainTimerTimer();
        };
        QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        std::printf("ticks, %-18s %4zu ticks, deviation from 180 ms: mean %.2f ms, p50 %.2f, "
                    "p99 %.2f, max %.2f; event-log lines %d\n",
            phase.name, deviation.size(),
            std::accumulate(deviation.begin(), deviation.end(), 0.0)
                / std::max<size_t>(1, deviation.size()),
            percentile(deviation, 50), percentile(deviation, 99), percentile(deviation, 100),
            s.memo.count);
        std::fflush(stdout);
    }
    return 0;
}

double processCpuSeconds(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// The fleet's subscriber: per state topic the cycles must follow each other.
int count(int port, double seconds, int brokerPid)
{
    Subscriber sub(port, "orvane/+/+/state");
    QHash<QByteArray, qint64> lastCycle;
    std::vector<double> latencyMs;
    qint64 states = 0, lost = 0, repeated = 0;
    const double brokerCpuBefore = processCpuSeconds(brokerPid);
    QElapsedTimer wall;
    wall.start();
    qint64 nextReport = 60000;
    while (wall.elapsed() < seconds * 1000) {
        QThread::msleep(50);
        for (const auto &m : sub.take()) {
            const qint64 cycle = cycleOf(m.payload);
            if (cycle < 0 || m.retained)
                continue; // a cleared state, or one from before
            ++states;
            const auto last = lastCycle.find(m.topic);
            if (last != lastCycle.end()) {
                lost += std::max<qint64>(0, cycle - *last - 1);
                repeated += cycle <= *last;
            }
            lastCycle[m.topic] = std::max(cycle, last == lastCycle.end() ? cycle : *last);
            const qsizetype t = m.payload.indexOf("\"time\": \"") + 9;
            const QDateTime sent = QDateTime::fromString(
                QString::fromLatin1(m.payload.mid(t, 24)), Qt::ISODateWithMs);
            latencyMs.push_back(double(m.wallMs - sent.toMSecsSinceEpoch()));
        }
        if (wall.elapsed() >= nextReport) {
            std::printf("after %3lld s: %lld states from %lld modules, %lld lost, %lld repeated\n",
                wall.elapsed() / 1000, states, qint64(lastCycle.size()), lost, repeated);
            std::fflush(stdout);
            nextReport += 60000;
        }
    }
    const double brokerCpu = processCpuSeconds(brokerPid) - brokerCpuBefore;
    std::printf("fleet: %lld states from %lld modules in %.0f s (%.0f/s), %lld lost, %lld "
                "repeated; latency p50 %.0f ms, p99 %.0f ms, max %.0f ms; broker CPU %.1f%% "
                "of one core\n",
        states, qint64(lastCycle.size()), seconds, states / seconds, lost, repeated,
        percentile(latencyMs, 50), percentile(latencyMs, 99), percentile(latencyMs, 100),
        100.0 * brokerCpu / seconds);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    int port = 1883, cycles = 1000, brokerPid = 0;
    double seconds = 60;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--port")
            port = std::atoi(argv[i + 1]);
        else if (key == "--cycles")
            cycles = std::atoi(argv[i + 1]);
        else if (key == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (key == "--broker-pid")
            brokerPid = std::atoi(argv[i + 1]);
    }
    if (mode == "latency")
        return latency(port, cycles);
    if (mode == "cpu")
        return cpu(port, cycles);
    if (mode == "ticks")
        return ticks(seconds);
    if (mode == "count")
        return count(port, seconds, brokerPid);
    std::fprintf(stderr,
        "usage: tool_mqtt latency|cpu|ticks|count [--port P] [--cycles N] "
        "[--seconds S] [--broker-pid PID]\n");
    return 2;
}
