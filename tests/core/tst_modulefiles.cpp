// A module's files: the settings file byte for byte, loading short, long and
// damaged files, file names from hostile serial numbers, files that are not
// plain writable files, and the measurement log.
#include "modules/ModuleSettings.h"
#include "modules/OVModObjectUnit.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace orvane;

namespace {
const QByteArray kSettings = "Module_v13_0x1004A2.dat";

// One settings record written field after field from the layout table with
// QDataStream, independently of the code under test.
QByteArray recordBytes(const QByteArray &name = {}, qint32 type = 0, double gain = 1.0)
{
    const bool output = type == 3;
    QByteArray bytes;
    QDataStream ds(&bytes, QIODevice::WriteOnly);
    ds.setByteOrder(QDataStream::LittleEndian);
    const QByteArray zeros(20, '\0');
    auto text = [&](const QByteArray &t, int field) {
        ds << quint8(t.size());
        ds.writeRawData(t.constData(), int(t.size()));
        ds.writeRawData(zeros.constData(), field - int(t.size()));
    };
    text(name, 20); // IOName
    text(name, 20);
    ds.writeRawData(zeros.constData(), 2);
    ds << type;
    text(output ? "On/Off" : "Volt", 10);
    ds.writeRawData(zeros.constData(), 5);
    ds << gain << 0.0 << qint32(output ? 4 : 3) << qint32(output ? 0 : 3) << qint32(0) << qint32(1)
       << 2.5 << qint32(0);
    ds.writeRawData(zeros.constData(), 4);
    ds << 1000.0 << -1000.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    return bytes;
}

QByteArray readFile(const QByteArray &name)
{
    QFile f(QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QByteArray &name, const QByteArray &bytes)
{
    QFile f(QString::fromLatin1(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A module as a scan leaves it, its clock at 2026-12-05 14:03:07.
void detect(TOV_MOD_Object &m, int type, const QByteArray &serial = "0x1004A2")
{
    m.ResetSignals();
    m.SerialText = serial;
    m.SetModuleType(type);
    m.Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7)); };
}
} // namespace

class TestModuleFiles : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() // every test starts in an empty directory
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid() && QDir::setCurrent(m_dir->path()));
    }

    void savedBytes()
    {
        QByteArray expected;
        for (int i = 1; i <= 5; ++i)
            expected += recordBytes("Analog Input " + QByteArray::number(i), 1);
        for (int i = 1; i <= 2; ++i)
            expected += recordBytes("Digital Output " + QByteArray::number(i), 3);
        for (int i = 8; i <= 16; ++i)
            expected += recordBytes();
        QCOMPARE(expected.mid(64, 8), QByteArray("\0\0\0\0\0\0\xF0\x3F", 8)); // record 1 Gain
        TOV_MOD_Object m;
        detect(m, 1);
        m.SaveSettings();
        m.SaveSettings();
        QCOMPARE(readFile(kSettings), expected);
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
    }

    // Files of 16 records ("file", type 9, gain 8) and junk, cut to a size.
    void loadFiles_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("name2"); // record 2's Name afterwards
        QTest::addColumn<int>("type2"); // and its SignalType
        QTest::addColumn<double>("gain16"); // record 16's Gain afterwards
        QTest::newRow("missing") << -1 << QByteArray("Analog Input 2") << 1 << 1.0;
        // The file's Name length (4) and three of its characters; the fourth
        // comes from the name the table held.
        QTest::newRow("half a name") << 168 + 25 << QByteArray("fill") << 1 << 1.0;
        QTest::newRow("longer") << 4000 << QByteArray("file") << 9 << 8.0;
    }
    void loadFiles()
    {
        QFETCH(int, size);
        const QByteArray file = recordBytes("file", 9, 8.0).repeated(16) + QByteArray(4000, '\xAB');
        if (size >= 0)
            writeFile(kSettings, file.left(size));
        TOV_MOD_Object m;
        detect(m, 1);
        m.LoadSettings();
        QTEST(m.Signals[2].Name, "name2");
        QTEST(int(m.Signals[2].SignalType), "type2");
        QTEST(m.Signals[16].Gain, "gain16");
        QCOMPARE(QFile::exists(kSettings), size >= 0); // never created
    }

    // Both files of a module with a hostile serial number land in the
    // current folder, under distinct names.
    void hostileSerial_data()
    {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<QByteArray>("safe");
        QTest::newRow("parent") << QByteArray("../../x") << QByteArray("%2E%2E%2F%2E%2E%2Fx");
        QTest::newRow("forbidden") << QByteArray("/\\C:<>\"|?*.\n\x01\x7F\xB0%", 16)
                                   << QByteArray("%2F%5CC%3A%3C%3E%22%7C%3F%2A.%0A%01%7F%B0%25");
    }
    void hostileSerial()
    {
        QFETCH(QByteArray, serial);
        QFETCH(QByteArray, safe);
        QDir().mkpath("sub/inner");
        QDir::setCurrent("sub/inner");
        TOV_MOD_Object m;
        detect(m, 2, serial);
        m.SaveSettings();
        m.SetLogging(true);
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden, QDir::Name),
            QStringList({ QString::fromLatin1("Data_" + safe + "_2026-12-05_14-03-07.txt"),
                QString::fromLatin1("Module_v13_" + safe + ".dat") }));
        QDir::setCurrent(m_dir->path());
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir("sub").entryList(QDir::Files | QDir::Hidden), QStringList());
        const QByteArrayList serials { "0x1/../x", "0x1\\..\\x", "0x1_.._x", "0x1%2F..%2Fx",
            "0x1%2F%2E%2E%2Fx", "0x1...x", "0x1.%2E.x", "0x1\xB0", "0x1\xC2\xB0", "0x1%B0", "" };
        QSet<QByteArray> names;
        for (const QByteArray &s : serials)
            names.insert(settingsFileName(s));
        QCOMPARE(names.size(), serials.size());
    }

    // Settings files that are not plain files: loading never blocks and never
    // takes anything but a regular file, saving never replaces them; only the
    // save's own temporary file name is cleaned up.
    void specialSettingsFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("loadedGain"); // record 16's Gain after LoadSettings
        QTest::addColumn<bool>("saved"); // SaveSettings wrote the file
        QTest::newRow("fifo") << "fifo" << 1.0 << false;
        QTest::newRow("folder") << "folder" << 1.0 << false;
        QTest::newRow("read-only file") << "read-only file" << 8.0 << false;
        QTest::newRow("in a read-only folder") << "read-only folder" << 8.0 << true;
        QTest::newRow("stray temporary files") << "stray" << 8.0 << true;
    }
    void specialSettingsFiles()
    {
        QFETCH(QString, kind);
        const QByteArray file = recordBytes("file", 1, 8.0).repeated(16);
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(kSettings.constData(), 0666), 0);
            QCOMPARE(::mkfifo("Data_0x1004A2_2026-12-05_14-03-07.txt", 0666), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(kSettings));
        } else {
            writeFile(kSettings, file);
            QCOMPARE(::chmod(kSettings.constData(), kind == "read-only file" ? 0444 : 0666), 0);
        }
        const QByteArrayList strays { ".AbCdEf", ".AbCdE", ".AbCdEfG", ".Ab-dEf" };
        for (const QByteArray &stray : strays)
            writeFile(kSettings + stray, "x");
        // Permissions bind only without root's rights: give them up meanwhile
        // (the real user too: access(), behind QFileInfo::isWritable(), checks it).
        QCOMPARE(::chmod(".", kind == "read-only folder" ? 0555 : 0777), 0);
        struct Identity
        {
            bool dropped = geteuid() == 0 && setresuid(65534, 65534, 0) == 0;
            ~Identity()
            {
                if (dropped)
                    (void)setresuid(0, 0, 0);
                (void)::chmod(".", 0700);
            }
        } identity;
        if (kind.startsWith("read-only") && geteuid() == 0)
            QSKIP("cannot give up root's rights here");
        TOV_MOD_Object m;
        detect(m, 1);
        m.LoadSettings();
        QTEST(m.Signals[16].Gain, "loadedGain");
        m.Signals[16].Gain = 2.0;
        m.SaveSettings();
        m.SetLogging(true);
        m.AppendLogLine();
        const bool plain = kind != "fifo" && kind != "folder";
        QCOMPARE(QFileInfo(QString::fromLatin1(kSettings)).isFile(), plain);
        if (plain)
            QTEST(readFile(kSettings) != file, "saved");
        for (const QByteArray &stray : strays) {
            if (kind == "stray")
                QCOMPARE(QFile::exists(kSettings + stray), stray != strays[0]);
        }
    }

    void logLines()
    {
        QDateTime now(QDate(2026, 12, 5), QTime(14, 3, 7));
        TOV_MOD_Object m;
        detect(m, 1);
        m.Clock = [&now] { return now; };
        m.SetLogging(false); // stopping a log never started
        QCOMPARE(m.LogFileName, QByteArray("<no file name>"));
        m.SetLogging(true);
        QCOMPARE(m.LogFileName, QByteArray("Data_0x1004A2_2026-12-05_14-03-07.txt"));
        for (int i = 1; i <= 5; ++i)
            m.Samples[i].Current = 2.5;
        m.AppendLogLine();
        now = now.addSecs(5 * 3600 + 1);
        m.SetReply({}); // a missed reply logs zeros
        m.ProcessReply(nullptr);
        m.SetLogging(true); // already logging: the same file goes on
        const QByteArray line = "14:03:07 " + QByteArray("     2.5000").repeated(5)
            + QByteArray("     0.0000").repeated(2) + "\r\n";
        QByteArray header = "# Measurement : Data_0x1004A2_2026-12-05_14-03-07.txt\r\n";
        for (int i = 1; i <= 5; ++i)
            header += "# Analog Input " + QByteArray::number(i) + " Volt\r\n";
        header += "# Digital Output 1 On/Off\r\n# Digital Output 2 On/Off\r\n";
        const QByteArray zeros = "19:03:08 " + QByteArray("     0.0000").repeated(7) + "\r\n";
        QCOMPARE(readFile(m.LogFileName), header + line + zeros);
        // Again in the same second: the same name; the first log stays, the
        // new one follows its own header.
        now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7));
        m.SetLogging(false);
        QVERIFY(m.SetLogging(true));
        m.AppendLogLine();
        QCOMPARE(
            readFile(m.LogFileName), header + line + zeros + header + "14:03:07" + zeros.mid(8));
    }

    // A directory in the way makes creating and appending fail, for any user;
    // the module says why and keeps its table.
    void filesThatCannotBeWritten()
    {
        TOV_MOD_Object m;
        detect(m, 1);
        const QString name = "Data_0x1004A2_2026-12-05_14-03-07.txt";
        QVERIFY(QDir().mkdir(name));
        QString why;
        QVERIFY(!m.SetLogging(true, &why) && !why.isEmpty());
        QVERIFY(m.Logging && QString::fromLatin1(m.LogFileName) == name);
        m.AppendLogLine();
        QVERIFY(QDir().rmdir(name));
        m.AppendLogLine(); // a log that is gone is not created again without header
        QVERIFY(!QFile::exists(name));
        QVERIFY(QDir().mkdir(kSettings));
        why.clear();
        QVERIFY(!m.SaveSettings(&why) && !why.isEmpty());
        QVERIFY(QFileInfo(kSettings).isDir());
    }
};

QTEST_GUILESS_MAIN(TestModuleFiles)
#include "tst_modulefiles.moc"
