// The operator panels (configuration grid, digital outputs, data logging) in
// the main window on the simulated network: the fill and every handler, and
// edits followed out to the module, the tree, the TCP data line and the files.
#include "SimWindow.h"
#include "modules/ModuleSettings.h"
#include "ui/DataLoggingPanel.h"
#include "ui/DigoutPanel.h"
#include "ui/InfoPanel.h"
#include "ui/SettingsPanel.h"
#include "ui/TraceSlots.h"
#include "widgets/TreeList.h"
#include "widgets/imLed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace orvane;

namespace {
class FakeTraceSlots : public TraceSlots
{
public:
    bool AddTrace(int module, int signal) override
    {
        calls.append(QStringLiteral("add %1 %2").arg(module).arg(signal));
        return accept;
    }
    void RemoveTrace(int module, int signal) override
    {
        calls.append(QStringLiteral("remove %1 %2").arg(module).arg(signal));
    }
    bool accept = true;
    QStringList calls;
};

// The window after its start-up scan: slot 1 a type-1 module, slot 3 a
// type-2 module, polling running.
struct Rig : SimWindow
{
    FakeTraceSlots traces;

    Rig()
    {
        form->SettingsPanel->setTraceSlots(&traces);
        form->show();
        tick();
    }
    QByteArray lastLogLine()
    {
        return form->InfoPanel->InfoMemo->toPlainText().toLatin1().split('\n').last();
    }
};

QRadioButton *modeButton(TDigoutPanel *panel, int output, int mode)
{
    return panel->DigoutRadioGroup[output]->findChildren<QRadioButton *>().value(mode);
}
} // namespace

class TestPanels : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }
    void init()
    {
        for (const QString &name : QDir().entryList(QDir::Files))
            QFile::remove(name);
    }

    // Polling stopped, two cells edited through their in-place editors and
    // read back: the module, the tree, the data line and the settings file.
    void gridEditEndToEnd()
    {
        Rig rig;
        rig.form->GreenCyclicButton->click();
        QVERIFY(!rig.acq().CyclicUpdate);
        TSettingsPanel *panel = rig.form->SettingsPanel;
        rig.form->SettingsSpeedButton->click();
        TStringGrid *grid = panel->StringGrid;
        const auto type = [grid](int row, int column, const QString &text) {
            grid->setCurrentCell(row, column);
            auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, text);
        };
        type(1, 5, "m,s");
        type(1, 2, "Pressure|1");
        panel->StringGridClick(); // the editor of the name is still open

        const TSignalRecord &s = rig.module(1).Signals[1];
        QVERIFY(s.Name == "Pressure_1" && s.Unit == "m_s");
        QCOMPARE(rig.form->MasterTree->topLevelItem(0)->child(0)->child(0)->child(0)->text(0),
            QString("Pressure_1"));
        const QByteArray line = rig.dataLine();
        QVERIFY2(line.startsWith("Data : #0x1004A2,,") && line.split(',').value(3) == "m_s", line);
        QFile file("Module_v13_0x1004A2.dat");
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("\x0APressure_1"));
    }

    // A scan fills the grid for each module it finds. Module 1 is selected
    // meanwhile and the grid clicked while it shows module 3; later slot 1
    // holds another module than the grid shows. Nothing reaches slot 1.
    void gridReadsBackOnlyIntoTheModuleItShows()
    {
        Rig rig;
        int waits = 0;
        rig.acq().IntObject->setWaitFunction([&](int ms) {
            rig.clock.advanceMs(ms);
            if (++waits == 3) // module 1 detected
                rig.acq().SelectedModule = 1;
            else if (waits == 5) // the grid shows module 3
                rig.form->SettingsPanel->StringGridClick();
        });
        rig.form->SpeedButton3->click();
        rig.module(1).SerialText = "0x1004A3";
        rig.form->SettingsPanel->StringGridClick();
        QCOMPARE(QDir().entryList({ "Module_v13_*" }), QStringList { "Module_v13_0x2000B7.dat" });
    }

    void traceBoxes_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("traced"); // flag and box before the click
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<bool>("ticked");
        const auto row = [](const char *name, bool running, int selected, bool traced, bool accept,
                             int flag, const char *calls, bool ticked) {
            QTest::newRow(name) << running << selected << traced << accept << flag << QString(calls)
                                << ticked;
        };
        row("stopped: screen only", false, 1, false, true, 0, "", true);
        row("no module: screen only", true, 0, false, true, 0, "", true);
        row("accepted", true, 1, false, true, 1, "add 1 3", true);
        row("refused", true, 1, false, false, 0, "add 1 3|remove 1 3", false);
        row("unticked", true, 1, true, true, 0, "remove 1 3", false);
    }
    void traceBoxes()
    {
        QFETCH(bool, running);
        QFETCH(int, selected);
        QFETCH(bool, traced);
        QFETCH(bool, accept);
        Rig rig;
        rig.traces.accept = accept;
        rig.module(1).TraceFlags[3] = traced;
        rig.form->SettingsSpeedButton->click(); // fills the boxes; asks nothing
        QVERIFY(rig.traces.calls.isEmpty());
        rig.acq().CyclicUpdate = running;
        rig.acq().SelectedModule = selected;
        QCheckBox *box = rig.form->SettingsPanel->Checkbox[3];
        box->click();
        QTEST(int(rig.module(1).TraceFlags[3]), "flag");
        QTEST(rig.traces.calls.join('|'), "calls");
        QTEST(box->isChecked(), "ticked");
    }

    // Output 1's stored rule as the panel shows it; damaged fields show
    // nothing rather than a wrong item.
    void digoutFill_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QList<int>>("stored"); // mode, action, input
        QTest::addColumn<QList<int>>("shown"); // mode, action item, input item
        QTest::addColumn<QString>("unit");
        QTest::newRow("type 1") << 1 << QList { 2, 1, 3 } << QList { 2, 1, 2 } << "Volt";
        QTest::newRow("type 2: ON only")
            << 3 << QList { 1, 1, 2 } << QList { 1, 0, 1 } << "\u00B0C";
        QTest::newRow("type 2 damaged") << 3 << QList { -1, 0, 0 } << QList { -1, 0, -1 } << "";
    }
    void digoutFill()
    {
        QFETCH(int, slot);
        QFETCH(QList<int>, stored);
        Rig rig;
        TOV_MOD_Object &m = rig.module(slot);
        const bool type2 = m.ModuleType == 2;
        TSignalRecord &o1 = m.Signals[m.Output1Signal()];
        o1.OutputMode = stored[0];
        o1.RuleAction = stored[1];
        o1.RuleInput = stored[2];
        rig.acq().SelectedModule = slot;
        QSignalSpy changes(&rig.acq(), &AcquisitionControl::modulesChanged);
        TDigoutPanel *panel = rig.form->DigoutPanel;
        rig.form->DigoutButton->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(changes.count(), 0); // filling runs no handler
        QTEST((QList { panel->checkedMode(1), panel->DigoutComboBox1[1]->currentIndex(),
                  panel->DigoutComboBox2[1]->currentIndex() }),
            "shown");
        QTEST(panel->DigoutUnitLabel[1]->text(), "unit");
        QCOMPARE(panel->DigoutComboBox2[2]->count(), type2 ? 6 : 5);
        QCOMPARE(panel->DigoutComboBox2[2]->itemText(0), QString::fromLatin1(m.Signals[1].Name));
        QCOMPARE(panel->DigoutValueEdit[2]->text(), QString("2.50"));
        QCOMPARE(panel->NoteLabel[0]->isVisible(), type2);
        QCOMPARE(panel->DigoutComboBox1[2]->isEnabled(), !type2);
        // No handler wrote back what was shown (a type-2 module knows "ON" only).
        QCOMPARE((QList { o1.OutputMode, o1.RuleAction, o1.RuleInput }),
            (QList { stored[0], type2 ? 0 : stored[1], stored[2] }));
    }

    // The handlers on the type-1 module, then "On" for output 1 followed to
    // the simulated module, which reports it: the LED, the data line, "Save".
    void digoutHandlers()
    {
        Rig rig;
        TDigoutPanel *panel = rig.form->DigoutPanel;
        rig.form->DigoutButton->click();
        TSignalRecord &o1 = rig.module(1).Signals[6];
        QLineEdit *edit = panel->DigoutValueEdit[1];
        edit->clear();
        QTest::keyClicks(edit, "-");
        QCOMPARE(o1.RuleValue, 2.5); // not a number yet
        QTest::keyClicks(edit, "3,75");
        QVERIFY(edit->text() == "-3.75" && o1.RuleValue == -3.75);
        edit->setCursorPosition(2);
        QTest::keyClicks(edit, ",");
        QVERIFY(edit->text() == "-3..75" && edit->cursorPosition() == 3 && o1.RuleValue == -3.75);
        Q_EMIT edit->editingFinished(); // leaving a text that is no number
        QCOMPARE(edit->text(), QString("-3.75"));
        panel->DigoutComboBox2[1]->setCurrentIndex(2);
        Q_EMIT panel->DigoutComboBox2[1]->activated(2);
        panel->DigoutComboBox1[1]->setCurrentIndex(1);
        Q_EMIT panel->DigoutComboBox1[1]->activated(1);
        QVERIFY(o1.RuleInput == 3 && o1.RuleAction == 1);

        QVERIFY(!panel->DigoutLed[1]->Checked());
        modeButton(panel, 1, 1)->click();
        QCOMPARE(panel->DigoutValueEdit[1]->text(), QString("-3.75")); // refilled
        rig.cycles(2);
        QCOMPARE(rig.module(1).Samples[6].Current, 1.0);
        QVERIFY(panel->DigoutLed[1]->Checked() && !panel->DigoutLed[2]->Checked());
        const QByteArray line = rig.dataLine();
        QVERIFY2(line.contains(",Volt,1.000,On/Off,0.000,On/Off#0x2000B7"), line);
        panel->SaveButton->click();
        QFile file("Module_v13_0x1004A2.dat");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().mid(5 * kSettingsRecordSize + 88, 4), QByteArray("\1\0\0\0", 4));
        rig.acq().setOutputMode(1, 2, 2); // a remote command: the panel follows
        QCOMPARE(panel->checkedMode(2), 2);

        // After a scan the panel may show a module that has left the slot.
        rig.module(1).SerialText = "0x1004A3";
        modeButton(panel, 1, 0)->click();
        QCOMPARE(o1.OutputMode, 1);
        QCOMPARE(panel->DigoutPanelLabel->text(), QString("Digital outputs for module: 0x1004A3"));
    }

    void loggingRows()
    {
        Rig rig;
        TDataLoggingPanel *panel = rig.form->DataLoggingPanel;
        rig.form->DataLoggingSpeedButton->click();
        QCOMPARE(panel->DataLoggingLabel[2]->text(), QString("Data logging for module: 0x2000B7"));
        QVERIFY(panel->DataLoggingCheckBox[2]->isVisible()
            && !panel->DataLoggingCheckBox[3]->isVisible());
        panel->DataLoggingCheckBox[1]->click();
        const QString name = panel->DataLoggingFileNameLabel[1]->text();
        QCOMPARE(name.toLatin1(), rig.module(1).LogFileName);
        QVERIFY2(rig.module(1).Logging && QFile::exists(name), qPrintable(name));
        panel->DataLoggingCheckBox[1]->click();
        QCOMPARE(panel->DataLoggingFileNameLabel[1]->text(), QString("<no file name>"));
        QVERIFY(!rig.module(1).Logging);

        // Rows shown before a scan moved the modules: the box only refreshes.
        rig.module(1).SerialText = "0x1004A3";
        panel->DataLoggingCheckBox[1]->click();
        QVERIFY(!rig.module(1).Logging && !panel->DataLoggingCheckBox[1]->isChecked());
        QCOMPARE(panel->DataLoggingLabel[1]->text(), QString("Data logging for module: 0x1004A3"));
        rig.module(1).Present = rig.module(3).Present = false;
        panel->DataLoggingCheckBox[1]->click(); // no module at all: row 1 only
        QVERIFY(!rig.module(1).Logging && !panel->DataLoggingCheckBox[1]->isChecked());
        QVERIFY(panel->DataLoggingCheckBox[1]->isVisible()
            && !panel->DataLoggingCheckBox[2]->isVisible());
        panel->DataLoggingCheckBox[1]->click(); // row 1 without a module: nothing happens
        QVERIFY(panel->DataLoggingCheckBox[1]->isChecked() && !rig.module(1).Logging);
    }

    void fileFailuresGoToTheEventLog()
    {
        Rig rig;
        QVERIFY(QDir().mkdir("Module_v13_0x1004A2.dat"));
        rig.form->DigoutButton->click();
        rig.form->DigoutPanel->SaveButton->click();
        QVERIFY2(rig.lastLogLine().startsWith(
                     "Settings file Module_v13_0x1004A2.dat could not be saved: "),
            rig.lastLogLine());
        rig.module(1).Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7)); };
        QVERIFY(QDir().mkdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
        rig.form->DataLoggingSpeedButton->click();
        rig.form->DataLoggingPanel->DataLoggingCheckBox[1]->click();
        QVERIFY(rig.lastLogLine().startsWith(
            "Log file Data_0x1004A2_2026-12-05_14-03-07.txt could not be created: "));
        QVERIFY(QDir().rmdir("Module_v13_0x1004A2.dat"));
        QVERIFY(QDir().rmdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
