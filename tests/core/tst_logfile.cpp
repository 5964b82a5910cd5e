#include "modules/OVModObjectUnit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace orvane;

namespace {
QByteArray readFile(const QByteArray &name)
{
    QFile f(QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestLogFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void type1Log();
    void type2Log();
    void restartInSameSecondTruncates();
    void stopWithoutStart();
    void fileThatCannotBeCreated();

private:
    void makeModule(int type);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
    std::unique_ptr<TOV_MOD_Object> m;
    QDateTime m_now;
};

void TestLogFile::init()
{
    m_oldDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    m_now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7));
}

void TestLogFile::cleanup()
{
    m.reset();
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TestLogFile::makeModule(int type)
{
    m = std::make_unique<TOV_MOD_Object>();
    m->SerialText = "0x1004A2";
    m->SetModuleType(type);
    m->Present = true;
    m->Clock = [this] { return m_now; };
}

void TestLogFile::type1Log()
{
    makeModule(1);
    m->SetLogging(true);
    QVERIFY(m->Logging);
    QCOMPARE(m->LogFileName, QByteArray("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    for (int i = 1; i <= 5; ++i)
        m->Samples[i].Current = 2.5;
    m->AppendLogLine();
    m_now = m_now.addSecs(3600 * 5 + 1);
    m->SetReply({}); // a missed reply logs zeros
    m->ProcessReply(nullptr);

    const QByteArray values = "     2.5000     2.5000     2.5000     2.5000     2.5000"
                              "     0.0000     0.0000";
    QCOMPARE(values.size(), 77);
    QCOMPARE(readFile(m->LogFileName),
        "# Measurement : Data_0x1004A2_2026-12-05_14-03-07.txt\r\n"
        "# Analog Input 1 Volt\r\n# Analog Input 2 Volt\r\n# Analog Input 3 Volt\r\n"
        "# Analog Input 4 Volt\r\n# Analog Input 5 Volt\r\n"
        "# Digital Output 1 On/Off\r\n# Digital Output 2 On/Off\r\n"
        "14:03:07 "
            + values
            + "\r\n19:03:08      0.0000     0.0000     0.0000     0.0000"
              "     0.0000     0.0000     0.0000\r\n");

    // Starting again while logging keeps the running file.
    m_now = m_now.addSecs(60);
    m->SetLogging(true);
    QCOMPARE(m->LogFileName, QByteArray("Data_0x1004A2_2026-12-05_14-03-07.txt"));
}

void TestLogFile::type2Log()
{
    makeModule(2);
    m->Signals[4].Name = "Tank";
    m_now = QDateTime(QDate(987, 1, 2), QTime(0, 0, 9));
    m->SetLogging(true);
    const double values[] = { 12.345, -40.0, -40.0, -1234567.125, 0.00005, 4.99, 1.0, 0.0 };
    for (int i = 1; i <= 8; ++i)
        m->Samples[i].Current = values[i - 1];
    m->AppendLogLine();
    QCOMPARE(m->LogFileName, QByteArray("Data_0x1004A2_0987-01-02_00-00-09.txt"));
    QCOMPARE(readFile(m->LogFileName),
        "# Measurement : Data_0x1004A2_0987-01-02_00-00-09.txt\r\n"
        "# Battery Voltage Volt\r\n# Temperature_C \xB0"
        "C\r\n# Temperature_F \xB0"
        "F\r\n# Tank Volt\r\n# Analog Input 2 Volt\r\n# Analog Input 3 Volt\r\n"
        "# Relay Output 1 On/Off\r\n# Relay Output 2 On/Off\r\n"
        "00:00:09     12.3450   -40.0000   -40.0000 -1234567.1250     0.0001     4.9900"
        "     1.0000     0.0000\r\n");
}

void TestLogFile::restartInSameSecondTruncates()
{
    makeModule(1);
    m->SetLogging(true);
    m->AppendLogLine();
    m->AppendLogLine();
    m->SetLogging(false);
    QCOMPARE(m->LogFileName, QByteArray("<no file name>"));
    m->AppendLogLine(); // not logging: ProcessReply would not call it; nothing breaks
    m->SetLogging(true);
    QCOMPARE(readFile(m->LogFileName).count("\r\n"), 8); // the header only
}

void TestLogFile::stopWithoutStart()
{
    makeModule(1);
    m->SetLogging(false);
    QVERIFY(!m->Logging);
    QCOMPARE(m->LogFileName, QByteArray("<no file name>"));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());
}

void TestLogFile::fileThatCannotBeCreated()
{
    makeModule(1);
    // A directory in the way makes creating and appending fail, for any user.
    QVERIFY(QDir().mkdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    m->SetLogging(true);
    QVERIFY(m->Logging);
    QCOMPARE(m->LogFileName, QByteArray("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    m->AppendLogLine();
    QVERIFY(QFileInfo(QString::fromLatin1(m->LogFileName)).isDir());
    // A log file removed while logging is not created again without header.
    QVERIFY(QDir().rmdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    m->AppendLogLine();
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
