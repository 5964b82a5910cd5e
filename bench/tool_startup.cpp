// Time from program start to the first polling tick: starts the program on
// the simulated network (offscreen) several times and waits for the first
// tick's event-log line on its console.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tool_startup PATH/TO/orvane-monitor [runs]\n");
        return 2;
    }
    // The program runs in a scratch folder: resolve its path first.
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    QTemporaryDir dir;
    QList<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer clock;
        clock.start();
        p.start(program,
            { QStringLiteral("--simulate"), QStringLiteral("--driver"), QStringLiteral("auto") });
        QByteArray out;
        qint64 at = -1;
        while (clock.elapsed() < 10000 && at < 0) {
            if (!p.waitForReadyRead(50) && p.state() == QProcess::NotRunning)
                break;
            out += p.readAll();
            if (out.contains("TCP Server @ port 5001 started.")
                || out.contains("Could not bind socket"))
                at = clock.elapsed();
        }
        p.kill();
        p.waitForFinished();
        if (at < 0) {
            std::fprintf(stderr, "run %d: no first tick seen\n", i + 1);
            continue;
        }
        times.append(at);
    }
    if (times.isEmpty())
        return 1;
    std::sort(times.begin(), times.end());
    std::printf(
        "program start to first tick over %lld runs: min %lld ms, median %lld ms, max %lld ms\n",
        static_cast<long long>(times.size()), static_cast<long long>(times.first()),
        static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.last()));
    return 0;
}
