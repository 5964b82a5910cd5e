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
private slots:
    void init(); // every test starts in an empty directory
    void savedBytes();
    void loadFiles_data();
    void loadFiles();
    void loadReplacesWholeTable();
    void hostileSerial_data();
    void hostileSerial();
    void fileNamesOneToOne();
    void specialSettingsFiles_data();
    void specialSettingsFiles();
    void logLines();
    void logThatCannotBeCreated();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestModuleFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && QDir::setCurrent(m_dir->path()));
}

void TestModuleFiles::savedBytes()
{
    QByteArray expected;
    for (int i = 1; i <= 5; ++i)
        expected += recordBytes("Analog Input " + QByteArray::number(i), 1);
    for (int i = 1; i <= 2; ++i)
        expected += recordBytes("Digital Output " + QByteArray::number(i), 3);
    for (int i = 8; i <= 16; ++i)
        expected += recordBytes();
    QCOMPARE(expected.size(), 2688);
    QCOMPARE(expected.mid(64, 8), QByteArray("\0\0\0\0\0\0\xF0\x3F", 8)); // record 1 Gain

    TOV_MOD_Object m;
    detect(m, 1);
    m.SaveSettings();
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_0x1004A2.dat"), expected);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
    detect(m, 2, "");
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_.dat").size(), 2688);
}

void TestModuleFiles::loadFiles_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("name2"); // record 2's Name afterwards
    QTest::addColumn<int>("type2"); // and its SignalType
    QTest::addColumn<double>("gain16"); // record 16's Gain afterwards
    QTest::newRow("missing") << -1 << QByteArray("Analog Input 2") << 1 << 1.0;
    QTest::newRow("record and a bit") << 168 + 48 << QByteArray("file") << 9 << 1.0;
    // The file's Name length (4) and three of its characters; the fourth
    // comes from the name the table held.
    QTest::newRow("half a name") << 168 + 25 << QByteArray("fill") << 1 << 1.0;
    QTest::newRow("longer") << 4000 << QByteArray("file") << 9 << 8.0;
}

void TestModuleFiles::loadFiles()
{
    QFETCH(int, size);
    QByteArray file;
    for (int i = 1; i <= 16; ++i)
        file += recordBytes("file", 9, 8.0);
    file += QByteArray(4000, '\xAB');
    if (size >= 0)
        writeFile("Module_v13_0x1004A2.dat", file.left(size));
    TOV_MOD_Object m;
    detect(m, 1);
    m.LoadSettings();
    QTEST(m.Signals[2].Name, "name2");
    QTEST(int(m.Signals[2].SignalType), "type2");
    QTEST(m.Signals[16].Gain, "gain16");
    QCOMPARE(QFile::exists("Module_v13_0x1004A2.dat"), size >= 0); // never created
}

void TestModuleFiles::loadReplacesWholeTable()
{
    TOV_MOD_Object m2, m1;
    detect(m2, 2);
    m2.Signals[16].Reserved[4] = 7.5;
    m2.SaveSettings();
    detect(m1, 1);
    m1.LoadSettings();
    QCOMPARE(encodeSignalTable(m1.Signals), encodeSignalTable(m2.Signals));
    QCOMPARE(m1.SignalCount, 7);
    // Length bytes above their field's size are cut to the field.
    QByteArray file = readFile("Module_v13_0x1004A2.dat");
    file[21] = char(200); // record 1 Name
    file[168 * 15 + 48] = 11; // record 16 Unit, the last text of the file
    writeFile("Module_v13_0x1004A2.dat", file);
    m1.LoadSettings();
    QCOMPARE(m1.Signals[1].Name, file.mid(22, 20));
    QCOMPARE(m1.Signals[16].Unit, QByteArray("Volt\0\0\0\0\0\0", 10));
}

void TestModuleFiles::hostileSerial_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("safe");
    QTest::newRow("ordinary") << QByteArray("0x1004a2") << QByteArray("0x1004a2");
    QTest::newRow("parent") << QByteArray("../../x") << QByteArray("%2E%2E%2F%2E%2E%2Fx");
    QTest::newRow("forbidden") << QByteArray("/\\C:<>\"|?*.\n\x01\x7F\xB0%", 16)
                               << QByteArray("%2F%5CC%3A%3C%3E%22%7C%3F%2A.%0A%01%7F%B0%25");
}

void TestModuleFiles::hostileSerial()
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
}

void TestModuleFiles::fileNamesOneToOne()
{
    const QByteArrayList serials { "0x1/../x", "0x1\\..\\x", "0x1_.._x", "0x1%2F..%2Fx",
        "0x1%2F%2E%2E%2Fx", "0x1...x", "0x1.%2E.x", "0x1\xB0", "0x1\xC2\xB0", "0x1%B0", "" };
    QSet<QByteArray> names;
    for (const QByteArray &serial : serials)
        names.insert(settingsFileName(serial));
    QCOMPARE(names.size(), serials.size());
}

// Settings files that are not plain writable files: loading never blocks and
// never takes anything but a regular file, saving replaces only what the
// plain in-place save would have written.
void TestModuleFiles::specialSettingsFiles_data()
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

void TestModuleFiles::specialSettingsFiles()
{
    QFETCH(QString, kind);
    const QByteArray name = "Module_v13_0x1004A2.dat";
    QByteArray file;
    for (int i = 1; i <= 16; ++i)
        file += recordBytes("file", 1, 8.0);
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        QCOMPARE(::mkfifo("Data_0x1004A2_2026-12-05_14-03-07.txt", 0666), 0);
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(name));
    } else {
        writeFile(name, file);
        QCOMPARE(::chmod(name.constData(), kind == "read-only file" ? 0444 : 0666), 0);
    }
    const QByteArrayList strays { name + ".AbCdEf", name + ".AbCdE", name + ".AbCdEfG",
        name + ".Ab-dEf" };
    for (const QByteArray &stray : strays)
        writeFile(stray, "x");

    // Permissions bind only without root's rights: give them up meanwhile.
    QCOMPARE(::chmod(".", kind == "read-only folder" ? 0555 : 0777), 0);
    struct Identity
    {
        // The real user too: access(), behind QFileInfo::isWritable(), checks it.
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
    const QFileInfo info(QString::fromLatin1(name));
    QCOMPARE(info.isFile(), kind != "fifo" && kind != "folder");
    if (info.isFile())
        QTEST(readFile(name) != file, "saved");
    if (kind == "stray") {
        QVERIFY(!QFile::exists(QString::fromLatin1(strays[0])));
        for (const QByteArray &other : strays.mid(1))
            QVERIFY(QFile::exists(QString::fromLatin1(other)));
    }
}

void TestModuleFiles::logLines()
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
    const QByteArray line = "14:03:07      2.5000     2.5000     2.5000     2.5000     2.5000"
                            "     0.0000     0.0000\r\n";
    QCOMPARE(line.size(), 86 + 2);
    const QByteArray header = "# Measurement : Data_0x1004A2_2026-12-05_14-03-07.txt\r\n"
                              "# Analog Input 1 Volt\r\n# Analog Input 2 Volt\r\n"
                              "# Analog Input 3 Volt\r\n# Analog Input 4 Volt\r\n"
                              "# Analog Input 5 Volt\r\n# Digital Output 1 On/Off\r\n"
                              "# Digital Output 2 On/Off\r\n";
    const QByteArray zeros = "19:03:08      0.0000     0.0000     0.0000     0.0000     0.0000"
                             "     0.0000     0.0000\r\n";
    QCOMPARE(readFile(m.LogFileName), header + line + zeros);
    now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7)); // again in the same second:
    m.SetLogging(false);
    QVERIFY(m.SetLogging(true));
    m.AppendLogLine();
    // the same name; the first log stays, the new one follows its own header
    QCOMPARE(readFile(m.LogFileName), header + line + zeros + header + "14:03:07" + zeros.mid(8));
}

void TestModuleFiles::logThatCannotBeCreated()
{
    TOV_MOD_Object m;
    detect(m, 1);
    // A directory in the way makes creating and appending fail, for any user.
    const QString name = "Data_0x1004A2_2026-12-05_14-03-07.txt";
    QVERIFY(QDir().mkdir(name));
    QString why;
    QVERIFY(!m.SetLogging(true, &why));
    QVERIFY(!why.isEmpty());
    QVERIFY(m.Logging);
    QCOMPARE(QString::fromLatin1(m.LogFileName), name);
    m.AppendLogLine();
    QVERIFY(QDir().rmdir(name));
    m.AppendLogLine(); // a log that is gone is not created again without header
    QVERIFY(!QFile::exists(name));

    // A settings file that cannot be replaced says so; the table stays.
    QVERIFY(QDir().mkdir("Module_v13_0x1004A2.dat"));
    why.clear();
    QVERIFY(!m.SaveSettings(&why));
    QVERIFY(!why.isEmpty());
    QVERIFY(QFileInfo("Module_v13_0x1004A2.dat").isDir());
}

QTEST_GUILESS_MAIN(TestModuleFiles)
#include "tst_modulefiles.moc"
