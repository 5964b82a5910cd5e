#include "FakeAlarmOutput.h"
#include "FakeConfigView.h"
#include "common/NavigationTree.h"
#include "modules/ModuleSettings.h"
#include "modules/OVModObjectUnit.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

using namespace orvane;

// Random replies and random settings files, many of them, from a fixed seed
// (ORVANE_FUZZ_SEED chooses another). Run under AddressSanitizer every byte
// is read from a buffer of exactly the input's size, so a read past the input
// is reported.
class TestModFuzz : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void randomReplies();
    void randomSettingsFiles();

private:
    double randomDouble();
    void randomiseTable(TOV_MOD_Object &m);
    void checkInvariants(const TOV_MOD_Object &m);
    QRandomGenerator m_random;
};

void TestModFuzz::initTestCase()
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariableIntValue("ORVANE_FUZZ_SEED", &ok);
    m_random.seed(ok ? seed : 20261205u);
    qInfo("seed %u", ok ? seed : 20261205u);
}

// Mostly ordinary values, sometimes any bit pattern (NaN, infinities,
// denormals).
double TestModFuzz::randomDouble()
{
    switch (m_random.bounded(4)) {
    case 0: {
        const quint64 bits = m_random.generate64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    case 1:
        return 0.0;
    default:
        return m_random.bounded(200.0) - 100.0;
    }
}

void TestModFuzz::randomiseTable(TOV_MOD_Object &m)
{
    for (int i = 1; i <= kMaxSignals; ++i) {
        TSignalRecord &s = m.Signals[i];
        s.Gain = randomDouble();
        s.Offset = randomDouble();
        s.Digits = qint32(m_random.generate());
        s.ImageIndex = qint32(m_random.generate());
        s.OutputMode = m_random.bounded(2) ? m_random.bounded(-1, 4) : qint32(m_random.generate());
        s.RuleInput = m_random.bounded(2) ? m_random.bounded(-1, 18) : qint32(m_random.generate());
        s.RuleAction = m_random.bounded(-1, 3);
        s.RuleValue = randomDouble();
        s.AlarmHigh = randomDouble();
        s.AlarmLow = randomDouble();
    }
}

void TestModFuzz::checkInvariants(const TOV_MOD_Object &m)
{
    QVERIFY(m.LinkState >= 0 && m.LinkState <= 2);
    QVERIFY(m.LostReplies >= 0);
    for (int i = 1; i <= kMaxSignals; ++i) {
        QVERIFY(m.AlarmActive[i] == 0 || m.AlarmActive[i] == 1);
        QVERIFY(m.Signals[i].Name.size() <= kNameFieldSize);
        QVERIFY(m.Signals[i].IOName.size() <= kNameFieldSize);
        QVERIFY(m.Signals[i].Unit.size() <= kUnitFieldSize);
    }
    for (int slot = 0; slot <= 5; ++slot) {
        const QByteArray frame = m.BuildRequest(slot);
        if (slot < 1 || slot > 4 || (m.ModuleType != 1 && m.ModuleType != 2)) {
            QVERIFY(frame.isEmpty());
        } else if (m.ModuleType == 1) {
            QCOMPARE(frame.size(), 7);
        } else {
            QCOMPARE(frame.size(), 10);
            quint8 sum = 0;
            for (int i = 2; i <= 8; ++i)
                sum = quint8(sum + quint8(frame[i]));
            QCOMPARE(quint8(frame[9]), sum);
            for (int mode : { 3, 6 })
                QVERIFY(quint8(frame[mode]) <= 0x07);
        }
    }
}

void TestModFuzz::randomReplies()
{
    FakeAlarmOutput alarms;
    FakeConfigView grid;
    const qint32 good = 1;
    for (int round = 0; round < 300; ++round) {
        NavigationTree tree;
        TreeNode *root = tree.addRoot("Orvane System|||Level 1", 0);
        tree.addChild(root, "Orvane Interface|Connected||Level 2", 1);
        TOV_MOD_Object m;
        m.AttachControls(&grid, &alarms, &good);
        m.SerialText = "0x" + QByteArray::number(round, 16);
        m.SetModuleType(1 + m_random.bounded(2));
        if (m_random.bounded(2))
            randomiseTable(m);
        for (int reply = 0; reply < 60; ++reply) {
            const int size
                = m_random.bounded(8) ? m_random.bounded(20, 32) : m_random.bounded(0, 40);
            std::unique_ptr<char[]> bytes(new char[size_t(std::max(size, 1))]);
            for (int i = 0; i < size; ++i)
                bytes[size_t(i)] = char(m_random.generate());
            m.SetReply(QByteArray::fromRawData(bytes.get(), size));
            m.ProcessReply(&tree);
            m.Reply.clear(); // the raw buffer goes away now
            QVERIFY(m.OutputState1 == 0 || m.OutputState1 == 1);
            QVERIFY(m.OutputState2 == 0 || m.OutputState2 == 1);
        }
        m.ShowConfiguration();
        checkInvariants(m);
        if (QTest::currentTestFailed())
            return;
        alarms.lines.clear();
    }
}

void TestModFuzz::randomSettingsFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    TOV_MOD_Object reference;
    reference.SetModuleType(2);
    const QByteArray valid = encodeSignalTable(reference.Signals);

    for (int round = 0; round < 400 && !QTest::currentTestFailed(); ++round) {
        const int size = m_random.bounded(3) ? m_random.bounded(0, 3000) : kSettingsFileSize;
        QByteArray file(size, '\0');
        const bool mutate = m_random.bounded(2);
        for (int i = 0; i < size; ++i)
            file[i] = mutate && i < valid.size() && m_random.bounded(16)
                ? valid[i]
                : char(m_random.generate());
        TOV_MOD_Object m;
        m.SerialText = "0xFUZZ01";
        m.SetModuleType(1 + m_random.bounded(2));
        // The decoder alone, from a buffer of exactly the file's size.
        std::unique_ptr<char[]> exact(new char[size_t(std::max(size, 1))]);
        std::memcpy(exact.get(), file.constData(), size_t(size));
        TSignalTable table = m.Signals;
        decodeSignalTable(exact.get(), size, table);

        QFile out("Module_v13_0xFUZZ01.dat");
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();
        m.LoadSettings();
        QCOMPARE(encodeSignalTable(m.Signals), encodeSignalTable(table));
        m.SetReply(QByteArray(28, '\x3C'));
        m.ProcessReply(nullptr);
        checkInvariants(m);
        // Whatever was loaded saves as a whole file that loads back the same.
        m.SaveSettings();
        const QByteArray saved = encodeSignalTable(m.Signals);
        QCOMPARE(QFileInfo(out).size(), qint64(kSettingsFileSize));
        m.LoadSettings();
        QCOMPARE(encodeSignalTable(m.Signals), saved);
    }
    QDir::setCurrent(oldDir);
}

QTEST_GUILESS_MAIN(TestModFuzz)
#include "tst_modfuzz.moc"
