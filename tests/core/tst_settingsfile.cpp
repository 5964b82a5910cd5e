#include "modules/ModuleSettings.h"
#include "modules/OVModObjectUnit.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace orvane;

namespace {
// One record written field after field from the layout table, with
// QDataStream rather than the code under test.
struct Record
{
    QByteArray ioName, name;
    qint32 type = 0;
    QByteArray unit = "Volt";
    double gain = 1.0, offset = 0.0;
    qint32 image = 3, digits = 3, mode = 0, ruleInput = 1;
    double ruleValue = 2.5;
    qint32 action = 0;
    double high = 1000.0, low = -1000.0;
};

QByteArray recordBytes(const Record &r)
{
    QByteArray bytes;
    QDataStream ds(&bytes, QIODevice::WriteOnly);
    ds.setByteOrder(QDataStream::LittleEndian);
    ds.setFloatingPointPrecision(QDataStream::DoublePrecision);
    const QByteArray zeros(20, '\0');
    auto text = [&](const QByteArray &t, int field) {
        ds << quint8(t.size());
        ds.writeRawData(t.constData(), int(t.size()));
        ds.writeRawData(zeros.constData(), field - int(t.size()));
    };
    text(r.ioName, 20);
    text(r.name, 20);
    ds.writeRawData(zeros.constData(), 2);
    ds << r.type;
    text(r.unit, 10);
    ds.writeRawData(zeros.constData(), 5);
    ds << r.gain << r.offset << r.image << r.digits << r.mode << r.ruleInput << r.ruleValue
       << r.action;
    ds.writeRawData(zeros.constData(), 4);
    ds << r.high << r.low << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    return bytes;
}

QByteArray freshType1File()
{
    QByteArray file;
    for (int i = 1; i <= 16; ++i) {
        Record r;
        if (i <= 5)
            r = { "Analog Input " + QByteArray::number(i), "Analog Input " + QByteArray::number(i),
                1 };
        else if (i <= 7) {
            const QByteArray n = "Digital Output " + QByteArray::number(i - 5);
            r = { n, n, 3, "On/Off", 1.0, 0.0, 4, 0 };
        }
        file += recordBytes(r);
    }
    return file;
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void makeModule(TOV_MOD_Object &m, int type, const QByteArray &serial = "0x1004A2")
{
    m.ResetSignals();
    m.SerialText = serial;
    m.SetModuleType(type);
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savedBytes();
    void saveIsRepeatableAndAtomic();
    void emptySerialName();
    void loadReplacesAllRecords();
    void loadPartialFiles_data();
    void loadPartialFiles();
    void missingFileKeepsTable();
    void lengthByteClamped();
    void readOnlyFileIsLeftAlone();
    void hostileSerialStaysInDirectory_data();
    void hostileSerialStaysInDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};

void TestSettingsFile::init()
{
    m_oldDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
}

void TestSettingsFile::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TestSettingsFile::savedBytes()
{
    const QByteArray expected = freshType1File();
    QCOMPARE(expected.size(), 2688);
    QCOMPARE(recordBytes({}).size(), 168);
    // Spot checks of the table's offsets: Gain of record 1 at 64, AlarmLow of
    // record 2 at 168 + 120.
    QCOMPARE(expected.mid(64, 8), QByteArray("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8));
    QCOMPARE(expected.mid(168 + 120, 8), QByteArray("\x00\x00\x00\x00\x00\x40\x8F\xC0", 8));

    TOV_MOD_Object m;
    makeModule(m, 1);
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_0x1004A2.dat"), expected);
}

void TestSettingsFile::saveIsRepeatableAndAtomic()
{
    TOV_MOD_Object m;
    makeModule(m, 2);
    m.Signals[2].Name = QByteArray(30, 'n'); // cut to the field
    m.SaveSettings();
    const QByteArray first = readFile("Module_v13_0x1004A2.dat");
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_0x1004A2.dat"), first);
    QCOMPARE(quint8(first[168 + 21]), quint8(20));
    // Nothing but the settings file is left in the directory.
    QCOMPARE(QDir().entryList(QDir::Files), QStringList("Module_v13_0x1004A2.dat"));
}

void TestSettingsFile::emptySerialName()
{
    TOV_MOD_Object m;
    makeModule(m, 1, "");
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_.dat").size(), 2688);
}

void TestSettingsFile::loadReplacesAllRecords()
{
    TOV_MOD_Object m2;
    makeModule(m2, 2);
    m2.Signals[4].Gain = 0.25;
    m2.Signals[8].OutputMode = 2;
    m2.Signals[16].Reserved[4] = 7.5;
    m2.SaveSettings();

    TOV_MOD_Object m1;
    makeModule(m1, 1);
    m1.LoadSettings();
    QCOMPARE(m1.SignalCount, 7);
    for (int i = 1; i <= 16; ++i) {
        const TSignalRecord &a = m1.Signals[i], &b = m2.Signals[i];
        QCOMPARE(a.IOName, b.IOName);
        QCOMPARE(a.Name, b.Name);
        QCOMPARE(a.SignalType, b.SignalType);
        QCOMPARE(a.Unit, b.Unit);
        QCOMPARE(a.Gain, b.Gain);
        QCOMPARE(a.ImageIndex, b.ImageIndex);
        QCOMPARE(a.OutputMode, b.OutputMode);
        QCOMPARE(a.AlarmLow, b.AlarmLow);
        QCOMPARE(a.Reserved, b.Reserved);
    }
    QCOMPARE(m1.Signals[2].Unit,
        QByteArray("\xB0"
                   "C"));
}

void TestSettingsFile::loadPartialFiles_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("name2"); // record 2's name afterwards
    QTest::addColumn<int>("type2"); // record 2's SignalType afterwards
    QTest::addColumn<double>("gain16"); // record 16's Gain afterwards
    QTest::newRow("one record and a bit") << 168 + 48 << QByteArray("file2") << 99 << 1.0;
    QTest::newRow("names only") << 168 + 44 << QByteArray("file2") << 1 << 1.0;
    // The file's Name length (5) and three of its characters; the other two
    // come from the name the table held.
    QTest::newRow("half a name") << 168 + 25 << QByteArray("fillo") << 1 << 1.0;
    QTest::newRow("whole") << 2688 << QByteArray("file2") << 99 << 8.0;
    QTest::newRow("longer") << 4000 << QByteArray("file2") << 99 << 8.0;
}

void TestSettingsFile::loadPartialFiles()
{
    QFETCH(int, size);
    QFETCH(QByteArray, name2);
    QFETCH(int, type2);
    QFETCH(double, gain16);
    QByteArray file;
    for (int i = 1; i <= 16; ++i) {
        Record r { "io", "file" + QByteArray::number(i), 99 };
        r.gain = 8.0;
        file += recordBytes(r);
    }
    file += QByteArray(4000, '\xAB'); // junk beyond the table
    writeFile("Module_v13_0x1004A2.dat", file.left(size));

    TOV_MOD_Object m;
    makeModule(m, 1);
    m.Signals[2].Name = "Analog Input 2";
    m.LoadSettings();
    QCOMPARE(m.Signals[1].Name, QByteArray("file1"));
    QCOMPARE(m.Signals[2].Name, name2);
    QCOMPARE(m.Signals[2].SignalType, type2);
    QCOMPARE(m.Signals[16].Gain, gain16);
}

void TestSettingsFile::missingFileKeepsTable()
{
    TOV_MOD_Object m;
    makeModule(m, 2);
    m.LoadSettings();
    QCOMPARE(m.Signals[1].IOName, QByteArray("Battery Voltage"));
    QCOMPARE(m.Signals[1].AlarmHigh, 14.0);
    QVERIFY(!QFile::exists("Module_v13_0x1004A2.dat")); // loading never creates it
}

void TestSettingsFile::lengthByteClamped()
{
    QByteArray file = freshType1File();
    file[0] = char(200); // IOName length
    file[21] = char(21); // Name length
    file[48] = char(255); // Unit length
    file[2688 - 168 + 48] = 11; // last record's Unit, field ends 10 bytes later
    writeFile("Module_v13_0x1004A2.dat", file);
    TOV_MOD_Object m;
    makeModule(m, 1);
    m.LoadSettings();
    QCOMPARE(m.Signals[1].IOName, file.mid(1, 20));
    QCOMPARE(m.Signals[1].Name, file.mid(22, 20));
    QCOMPARE(m.Signals[1].Unit, QByteArray("Volt\0\0\0\0\0\0", 10));
    QCOMPARE(m.Signals[16].Unit.size(), 10);
}

void TestSettingsFile::readOnlyFileIsLeftAlone()
{
    if (geteuid() == 0)
        QSKIP("the super-user may write read-only files");
    QByteArray file = freshType1File();
    file[22] = 'X';
    writeFile("Module_v13_0x1004A2.dat", file);
    QFile::setPermissions("Module_v13_0x1004A2.dat", QFile::ReadOwner);
    TOV_MOD_Object m;
    makeModule(m, 1);
    m.LoadSettings(); // opened for reading and writing: not read
    QCOMPARE(m.Signals[1].Name, QByteArray("Analog Input 1"));
    m.SaveSettings();
    QCOMPARE(readFile("Module_v13_0x1004A2.dat"), file);
}

void TestSettingsFile::hostileSerialStaysInDirectory_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("fileName");
    QTest::newRow("ordinary") << QByteArray("0x1004a2") << QByteArray("Module_v13_0x1004a2.dat");
    QTest::newRow("parent") << QByteArray("../../x") << QByteArray("Module_v13_______x.dat");
    QTest::newRow("absolute") << QByteArray("/etc/pw") << QByteArray("Module_v13__etc_pw.dat");
    QTest::newRow("backslash") << QByteArray("..\\a\\b") << QByteArray("Module_v13____a_b.dat");
    QTest::newRow("windows") << QByteArray("C:<>\"|?*") << QByteArray("Module_v13_C_______.dat");
    QTest::newRow("controls") << QByteArray("0x\n\x01\x7F\xB0\xFF.", 8)
                              << QByteArray("Module_v13_0x_____..dat");
}

void TestSettingsFile::hostileSerialStaysInDirectory()
{
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, fileName);
    QDir().mkpath("sub/inner");
    QDir::setCurrent("sub/inner");
    TOV_MOD_Object m;
    makeModule(m, 2, serial);
    QCOMPARE(m.SettingsFileName(), fileName);
    m.SaveSettings();
    m.SetLogging(true);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).size(), 2);
    QVERIFY(QFile::exists(QString::fromLatin1(fileName)));
    QVERIFY(m.LogFileName.startsWith("Data_" + fileName.mid(11, fileName.size() - 15) + '_'));
    QDir::setCurrent(m_dir->path());
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir("sub").entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
