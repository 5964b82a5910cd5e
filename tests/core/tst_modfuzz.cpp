// Random replies and random settings files from a fixed seed
// (ORVANE_FUZZ_SEED picks another). Every input lies in a heap buffer of
// exactly its size, so AddressSanitizer reports any read past it.
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

class TestModFuzz : public QObject
{
    Q_OBJECT
    QRandomGenerator m_random { quint32(qEnvironmentVariableIntValue("ORVANE_FUZZ_SEED")) };

    QByteArray randomBytes(int size)
    {
        QByteArray bytes(size + 4, '\0');
        m_random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), (size + 4) / 4);
        return bytes.first(size);
    }
    // A copy of `bytes` in a heap buffer of exactly its size.
    static std::unique_ptr<char[]> exactCopy(const QByteArray &bytes)
    {
        std::unique_ptr<char[]> copy(new char[size_t(std::max<qsizetype>(bytes.size(), 1))]);
        std::memcpy(copy.get(), bytes.constData(), size_t(bytes.size()));
        return copy;
    }
    void checkModule(const TOV_MOD_Object &m)
    {
        QVERIFY(m.LinkState >= 0 && m.LinkState <= 2);
        QVERIFY(m.OutputState1 == 0 || m.OutputState1 == 1);
        for (const TSignalRecord &s : m.Signals)
            QVERIFY(s.Name.size() <= kNameFieldSize && s.Unit.size() <= kUnitFieldSize);
        const QByteArray frame = m.BuildRequest(1 + m_random.bounded(4));
        QCOMPARE(frame.size(), m.ModuleType == 1 ? 7 : 10);
        if (m.ModuleType == 2)
            QVERIFY(quint8(frame[3]) <= 7 && quint8(frame[6]) <= 7);
    }

private slots:
    void randomReplies()
    {
        FakeAlarmOutput alarms;
        FakeConfigView grid;
        const qint32 good = 1;
        for (int round = 0; round < 300 && !QTest::currentTestFailed(); ++round) {
            NavigationTree tree;
            tree.addChild(tree.addRoot("Orvane System|||Level 1", 0), "Interface||Level 2", 1);
            TOV_MOD_Object m;
            m.AttachControls(&grid, &alarms, &good);
            m.SerialText = "0x" + QByteArray::number(round);
            m.SetModuleType(1 + m_random.bounded(2));
            if (m_random.bounded(2)) // any doubles (NaN, infinities) and integers
                decodeSignalTable(
                    randomBytes(kSettingsFileSize).constData(), kSettingsFileSize, m.Signals);
            for (int reply = 0; reply < 60; ++reply) {
                const int size
                    = m_random.bounded(4) ? m_random.bounded(20, 32) : m_random.bounded(40);
                const auto bytes = exactCopy(randomBytes(size));
                m.SetReply(QByteArray::fromRawData(bytes.get(), size));
                m.ProcessReply(&tree);
                m.Reply.clear(); // before the buffer goes
            }
            m.ShowConfiguration();
            checkModule(m);
            alarms.lines.clear();
        }
    }

    // Random bytes, or a valid table with some bytes changed: loaded as the
    // decoder takes them, and saved as a whole file that loads back the same.
    void randomSettingsFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        TOV_MOD_Object reference;
        reference.SetModuleType(2);
        const QByteArray valid = encodeSignalTable(reference.Signals);
        for (int round = 0; round < 400 && !QTest::currentTestFailed(); ++round) {
            const int size = m_random.bounded(3) ? m_random.bounded(3000) : kSettingsFileSize;
            QByteArray file = randomBytes(size);
            const bool mostlyValid = m_random.bounded(2);
            for (int i = 0; mostlyValid && i < std::min(size, kSettingsFileSize); ++i)
                file[i] = m_random.bounded(16) ? valid[i] : file[i];
            TOV_MOD_Object m;
            m.SerialText = "0xFUZZ01";
            m.SetModuleType(1 + m_random.bounded(2));
            TSignalTable table = m.Signals;
            decodeSignalTable(exactCopy(file).get(), size, table);
            QFile out("Module_v13_0xFUZZ01.dat");
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(file);
            out.close();
            m.LoadSettings();
            QCOMPARE(encodeSignalTable(m.Signals), encodeSignalTable(table));
            m.SetReply(QByteArray(28, '\x3C'));
            m.ProcessReply(nullptr);
            checkModule(m);
            const QByteArray saved = encodeSignalTable(m.Signals);
            m.SaveSettings();
            m.LoadSettings();
            QCOMPARE(encodeSignalTable(m.Signals), saved);
        }
    }
};

QTEST_GUILESS_MAIN(TestModFuzz)
#include "tst_modfuzz.moc"
