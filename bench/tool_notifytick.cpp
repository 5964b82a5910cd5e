// The polling tick with notifications pointed at a server that accepts and
// never answers, compared with notifications off, in the same run: the
// simulated network in real time, alarms raised and cleared on every cycle,
// the intervals between ticks measured. Also how long closing the session
// takes while deliveries hang.
//
// usage: tool_notifytick [seconds per run]   (default 30)
#include "CountingMemo.h"
#include "app/OrvaneSession.h"
#include "common/NavigationTree.h"
#include "modules/ModulePorts.h"
#include "modules/OVModObjectUnit.h"
#include "publish/Notifier.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace orvane;

namespace {
class NoAlarms : public AlarmOutput
{
public:
    void appendAlarmLine(const QByteArray &) override { }
    void showWarning(
        const QByteArray &, const QByteArray &, const QByteArray &, const QByteArray &) override
    {
    }
};

// Accepts every connection on its own thread, reads what comes and never
// answers: an SMTP server without its greeting, a web server that hangs.
class SilentServer
{
public:
    SilentServer()
    {
        m_server.moveToThread(&m_thread);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [s] { s->readAll(); });
        });
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_server, [this] { m_server.listen(QHostAddress::LocalHost, 0); },
            Qt::BlockingQueuedConnection);
    }
    ~SilentServer()
    {
        QMetaObject::invokeMethod(
            &m_server, [this] { m_server.close(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QThread m_thread;
    QTcpServer m_server;
};

struct Figures
{
    QList<double> intervals; // ms between ticks
    qint64 events = 0;
    qint64 closeMs = 0;
};

Figures run(const NotifySettings &notify, int seconds)
{
    SteadySimClock clock;
    bench::CountingMemo memo;
    NoAlarms alarms;
    NavigationTree tree;
    AcquisitionControl::Ports ports;
    ports.eventLog = &memo;
    ports.alarms = &alarms;
    ports.tree = &tree;
    OrvaneSession::Options options;
    options.dataPort = 0;
    options.notify = notify;
    Figures f;
    {
        OrvaneSession session(
            std::make_unique<SimDriver>(builtInScenario(), clock), ports, options);
        QElapsedTimer time;
        time.start();
        qint64 last = -1;
        QObject::connect(session.acquisition(), &AcquisitionControl::tickDone, [&] {
            const qint64 now = time.nsecsElapsed();
            // The start-up scan's tick is not a polling interval.
            if (last >= 0 && !session.acquisition()->isScanning() && time.elapsed() > 3000)
                f.intervals.append((now - last) / 1e6);
            last = now;
        });
        // Every signal of the first module in alarm on one cycle, out of it
        // on the next: five events a cycle, a storm that never ends.
        bool high = false;
        QObject::connect(&session, &OrvaneSession::cycleCompleted, [&] {
            TOV_MOD_Object &module = *session.acquisition()->ModObject[1];
            high = !high;
            for (int i = 1; i <= 5; ++i)
                module.Signals[i].AlarmHigh = high ? -1e9 : 1e9;
        });
        QObject::connect(&session, &OrvaneSession::plantEvent, [&] { ++f.events; });
        session.start("bench");
        QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QElapsedTimer closing;
        closing.start();
        session.close();
        f.closeMs = closing.elapsed();
    }
    return f;
}

void print(const char *name, const Figures &f)
{
    QList<double> v = f.intervals;
    if (v.isEmpty()) {
        std::printf("%-40s no ticks\n", name);
        return;
    }
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (const double x : v)
        sum += x;
    const auto at
        = [&v](double q) { return v[std::min<qsizetype>(v.size() - 1, qsizetype(q * v.size()))]; };
    std::printf("%-40s %5lld ticks  mean %7.2f  p50 %7.2f  p99 %7.2f  max %7.2f ms   "
                "%5lld events  close %5lld ms\n",
        name, static_cast<long long>(v.size()), sum / v.size(), at(0.5), at(0.99), v.last(),
        static_cast<long long>(f.events), static_cast<long long>(f.closeMs));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 30;
    QLoggingCategory::setFilterRules(QStringLiteral("orvane.eventlog.info=false"));
    qRegisterMetaType<PlantEvent>();

    const Figures off = run(NotifySettings {}, seconds);

    SilentServer silent;
    NotifySettings on;
    on.webhookUrl = QStringLiteral("http://127.0.0.1:%1/hook").arg(silent.port());
    on.smtpUrl = QStringLiteral("smtp://127.0.0.1:%1").arg(silent.port());
    on.mailFrom = QStringLiteral("orvane@plant.example");
    on.mailTo = QStringList { QStringLiteral("oncall@plant.example") };
    on.minIntervalS = 0; // every event goes to the queue
    const Figures hanging = run(on, seconds);

    std::printf(
        "polling tick, %d s per run, simulated network in real time (interval 180 ms):\n", seconds);
    print("notifications off", off);
    print("notifications to a silent server", hanging);
    return 0;
}
