// CPU the running program spends: starts it (offscreen unless a display is
// wanted), lets it run, and reads its user and system time from /proc at the
// start of the window and at its end. Prints the share of one core and the
// CPU per polling cycle (five 180 ms ticks).
//
//   tool_cpu PATH/TO/orvane-monitor [seconds] [program arguments...]
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <cstdio>

namespace {
// User plus system time of a process, in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tool_cpu PATH/TO/orvane-monitor [seconds] [args...]\n");
        return 2;
    }
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int seconds = argc > 2 ? std::max(2, atoi(argv[2])) : 30;
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty())
        args << QStringLiteral("--simulate");

    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("orvane.*=false"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted())
        return 1;
    // Past the start-up scan before measuring.
    QThread::sleep(3);
    const long long before = cpuTicks(p.processId());
    QThread::sleep(seconds);
    const long long after = cpuTicks(p.processId());
    p.terminate();
    p.waitForFinished(5000);
    if (before < 0 || after < 0) {
        std::fprintf(stderr, "tool_cpu: the program ended early\n");
        return 1;
    }
    const double cpuMs = double(after - before) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    const double cycles = seconds / 0.9;
    std::printf("%s over %d s: %.0f ms CPU, %.2f %% of a core, %.2f ms per polling cycle\n",
        qPrintable(args.join(u' ')), seconds, cpuMs, cpuMs / (seconds * 10.0), cpuMs / cycles);
    return 0;
}
