// The operator panels (configuration grid, digital outputs, data logging) in
// the main window on the simulated network, on a manual clock: the layout,
// the fill and every handler, and edits followed out to the settings file,
// the tree, the TCP data line, the simulated module and the log file.
#include "DataLineRequest.h"
#include "common/NavigationTree.h"
#include "modules/ModuleSettings.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"
#include "ui/DataLoggingPanel.h"
#include "ui/DigoutPanel.h"
#include "ui/InfoPanel.h"
#include "ui/MainFormUnit.h"
#include "ui/SettingsPanel.h"
#include "ui/TraceSlots.h"
#include "widgets/TreeList.h"
#include "widgets/imLed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
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
struct Rig
{
    ManualSimClock clock;
    FakeTraceSlots traces;
    std::unique_ptr<TMainForm> form;
    AcquisitionControl *acq = nullptr;

    Rig()
    {
        TMainForm::Options options;
        options.startTimer = false;
        options.dataPort = 0;
        form = std::make_unique<TMainForm>(
            std::make_unique<SimDriver>(builtInScenario(), clock), options);
        acq = form->acquisition();
        acq->IntObject->setWaitFunction([this](int ms) { clock.advanceMs(ms); });
        form->SettingsPanel->setTraceSlots(&traces);
        form->show();
        form->MainTimerTimer();
    }
    TOV_MOD_Object &module(int slot) { return *acq->ModObject[slot]; }
    void cycles(int n)
    {
        for (int i = 0; i < 5 * n; ++i) {
            clock.advanceMs(180);
            form->MainTimerTimer();
        }
    }
    QByteArray dataLine() { return requestDataLine(form->session()->server()->port()); }
    QByteArrayList eventLog()
    {
        return form->InfoPanel->InfoMemo->toPlainText().toLatin1().split('\n');
    }
};

QList<QRadioButton *> modeButtons(TDigoutPanel *panel, int output)
{
    return panel->DigoutRadioGroup[output]->findChildren<QRadioButton *>();
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

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const char *parent, QRect g, const char *text) {
            QTest::newRow(name) << name << parent << g << QString::fromLatin1(text);
        };
        row("SettingsLabel", "SettingsPanel", { 10, 8, 351, 21 }, "Configuration for module:");
        row("StringGrid", "SettingsPanel", { 8, 31, 465, 386 }, "");
        row("Checkbox16", "SettingsPanel", { 50, 250, 15, 17 }, "");
        row("DigoutPanelLabel", "DigoutPanel", { 10, 8, 439, 21 }, "Digital outputs for module:");
        row("Digout2Led", "StatusGroupBox", { 128, 48, 14, 14 }, "");
        row("Digout2RadioGroup", "DigoutPanel", { 8, 232, 121, 105 }, "Output 2");
        row("Digout2RuleGroupBox", "DigoutPanel", { 136, 232, 329, 105 }, "Rule for Output 2");
        row("Digout1ComboBox2", "Digout1RuleGroupBox", { 120, 50, 121, 21 }, "");
        row("Digout1ValueEdit", "Digout1RuleGroupBox", { 120, 80, 65, 21 }, "2.5");
        row("Digout2UnitLabel", "Digout2RuleGroupBox", { 192, 84, 41, 13 }, "Volt");
        row("NoteLabel1", "DigoutPanel", { 56, 344, 409, 13 },
            "On / Off / Rules settings are programmed into the wireless");
        row("NoteLabel2", "DigoutPanel", { 56, 360, 409, 13 },
            "module and run independently of the windows software.");
        row("SaveButton", "DigoutPanel", { 8, 392, 75, 25 }, "Save");
        row("DataLoggingLabel5", "DataLoggingPanel", { 24, 32, 401, 13 },
            "Log all signals of this module to file:");
        row("DataLoggingLabel8", "DataLoggingPanel", { 24, 296, 193, 13 },
            "Log all signals of this module to file:");
        row("DataLoggingBevel4", "DataLoggingPanel", { 7, 320, 465, 26 }, "");
        row("DataLoggingFileNameLabel4", "DataLoggingPanel", { 16, 326, 441, 13 },
            "<no file name>");
    }
    void layout()
    {
        QFETCH(QString, name);
        TMainForm::Options options;
        options.startTimer = false;
        options.dataPort = 0;
        ManualSimClock clock;
        TMainForm form(std::make_unique<SimDriver>(builtInScenario(), clock), options);
        auto *w = form.findChild<QWidget *>(name);
        QVERIFY(w);
        QTEST(w->parentWidget()->objectName(), "parent");
        QTEST(w->geometry(), "geometry");
        QTEST(w->property(w->inherits("QGroupBox") ? "title" : "text").toString(), "text");
    }

    void gridColumns()
    {
        Rig rig;
        TStringGrid *grid = rig.form->SettingsPanel->StringGrid;
        QStringList columns;
        for (int c = 0; c < grid->columnCount(); ++c) {
            const bool editable = grid->item(19, c)->flags() & Qt::ItemIsEditable;
            columns << QStringLiteral("%1 %2%3")
                           .arg(grid->item(0, c)->text())
                           .arg(grid->columnWidth(c))
                           .arg(editable ? " edit" : "");
        }
        QCOMPARE(columns,
            QStringList({ "Trace 35", "In/Output 100", "Name 100 edit", "Gain 60 edit",
                "Offset 45 edit", "Unit 45 edit", "Digits 45 edit", "Alarm High 64 edit",
                "Alarm Low 64 edit", " 64 edit" }));
        QVERIFY(grid->rowCount() == 20 && grid->rowHeight(5) == 17);
        // Slot 1 is selected after the scan: its seven boxes lie in their cells.
        rig.form->SettingsSpeedButton->click();
        grid->grab();
        QCOMPARE(rig.form->SettingsPanel->Checkbox[7]->geometry(),
            QRect(grid->x() + 13, grid->y() + grid->rowViewportPosition(7) + 2, 14, 17));
        QVERIFY(rig.form->SettingsPanel->Checkbox[7]->isVisible());
        QVERIFY(!rig.form->SettingsPanel->Checkbox[8]->isVisible());
    }

    // Polling stopped, one grid cell edited through its in-place editor and
    // read back: the module, the tree, the data line and the settings file.
    void gridEditEndToEnd()
    {
        Rig rig;
        rig.form->GreenCyclicButton->click();
        QVERIFY(!rig.acq->CyclicUpdate);
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
        QCOMPARE(s.Name, QByteArray("Pressure_1"));
        QCOMPARE(s.Unit, QByteArray("m_s"));
        QCOMPARE(rig.form->MasterTree->topLevelItem(0)->child(0)->child(0)->child(0)->text(0),
            QString("Pressure_1"));
        const QByteArray line = rig.dataLine();
        QVERIFY2(line.startsWith("Data : #0x1004A2,,") && line.split(',').value(3) == "m_s", line);
        QFile file("Module_v13_0x1004A2.dat");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), kSettingsFileSize);
        QCOMPARE(bytes.mid(21, 11), QByteArray("\x0APressure_1"));
        QCOMPARE(bytes.mid(48, 4), QByteArray("\x03m_s"));
    }

    // A scan fills the grid for each module it finds. Module 1 is selected
    // meanwhile and the grid clicked while it shows module 3; later slot 1
    // holds another module than the grid shows. Nothing reaches slot 1.
    void gridReadsBackOnlyIntoTheModuleItShows()
    {
        Rig rig;
        int waits = 0;
        rig.acq->IntObject->setWaitFunction([&](int ms) {
            rig.clock.advanceMs(ms);
            if (++waits == 3) // module 1 detected
                rig.acq->SelectedModule = 1;
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
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("stopped: screen only")
            << false << 1 << false << true << 0 << QStringList() << true;
        QTest::newRow("no module: screen only")
            << true << 0 << false << true << 0 << QStringList() << true;
        QTest::newRow("accepted") << true << 1 << false << true << 1 << QStringList { "add 1 3" }
                                  << true;
        QTest::newRow("refused") << true << 1 << false << false << 0
                                 << QStringList { "add 1 3", "remove 1 3" } << false;
        QTest::newRow("unticked") << true << 1 << true << true << 0 << QStringList { "remove 1 3" }
                                  << false;
    }
    void traceBoxes()
    {
        QFETCH(bool, traced);
        QFETCH(bool, accept);
        QFETCH(bool, running);
        QFETCH(int, selected);
        Rig rig;
        rig.traces.accept = accept;
        rig.module(1).TraceFlags[3] = traced;
        rig.form->SettingsSpeedButton->click(); // fills the boxes; asks nothing
        QVERIFY(rig.traces.calls.isEmpty());
        rig.acq->CyclicUpdate = running;
        rig.acq->SelectedModule = selected;
        QCheckBox *box = rig.form->SettingsPanel->Checkbox[3];
        box->click();
        QTEST(int(rig.module(1).TraceFlags[3]), "flag");
        QTEST(rig.traces.calls, "calls");
        QTEST(box->isChecked(), "ticked");
    }

    void digoutFill_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("mode"); // stored into output 1 before the fill
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("checked"); // what the panel shows
        QTest::addColumn<int>("actionItem");
        QTest::addColumn<int>("inputItem");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("type2");
        QTest::newRow("type 1") << 1 << 2 << 1 << 3 << 2 << 1 << 2 << "Volt" << false;
        QTest::newRow("type 2: ON only") << 3 << 1 << 1 << 2 << 1 << 0 << 1 << "\u00B0C" << true;
        QTest::newRow("type 1 damaged") << 1 << 7 << 5 << 6 << -1 << -1 << -1 << "" << false;
        QTest::newRow("type 2 damaged") << 3 << -1 << 0 << 0 << -1 << 0 << -1 << "" << true;
    }
    void digoutFill()
    {
        QFETCH(int, slot);
        QFETCH(int, mode);
        QFETCH(int, action);
        QFETCH(int, input);
        Rig rig;
        TOV_MOD_Object &m = rig.module(slot);
        TSignalRecord &o1 = m.Signals[m.Output1Signal()];
        o1.OutputMode = mode;
        o1.RuleAction = action;
        o1.RuleInput = input;
        rig.acq->SelectedModule = slot;
        QSignalSpy changes(rig.acq, &AcquisitionControl::modulesChanged);
        TDigoutPanel *panel = rig.form->DigoutPanel;
        rig.form->DigoutButton->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(changes.count(), 0); // filling runs no handler
        QTEST(panel->checkedMode(1), "checked");
        QTEST(panel->DigoutComboBox1[1]->currentIndex(), "actionItem");
        QTEST(panel->DigoutComboBox2[1]->currentIndex(), "inputItem");
        QTEST(panel->DigoutUnitLabel[1]->text(), "unit");
        QFETCH(bool, type2);
        QCOMPARE(panel->DigoutComboBox2[2]->count(), type2 ? 6 : 5);
        QCOMPARE(panel->DigoutComboBox2[2]->itemText(0), QString::fromLatin1(m.Signals[1].Name));
        QCOMPARE(panel->DigoutValueEdit[2]->text(), QString("2.50"));
        QCOMPARE(panel->NoteLabel[0]->isVisible(), type2);
        QCOMPARE(panel->DigoutComboBox1[2]->isEnabled(), !type2);
        if (type2)
            QCOMPARE(o1.RuleAction, 0);
        QCOMPARE(o1.OutputMode, mode); // no handler wrote back what was shown
        QCOMPARE(o1.RuleInput, input);
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
        modeButtons(panel, 1)[1]->click();
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
        rig.acq->setOutputMode(1, 2, 2); // a remote command: the panel follows
        QCOMPARE(panel->checkedMode(2), 2);

        // After a scan the panel may show a module that has left the slot.
        rig.module(1).SerialText = "0x1004A3";
        modeButtons(panel, 1)[0]->click();
        QCOMPARE(o1.OutputMode, 1);
        QCOMPARE(panel->DigoutPanelLabel->text(), QString("Digital outputs for module: 0x1004A3"));
    }

    void loggingEndToEnd()
    {
        Rig rig;
        TDataLoggingPanel *panel = rig.form->DataLoggingPanel;
        rig.form->DataLoggingSpeedButton->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->DataLoggingLabel[2]->text(), QString("Data logging for module: 0x2000B7"));
        QVERIFY(panel->DataLoggingCheckBox[2]->isVisible());
        QVERIFY(!panel->DataLoggingCheckBox[3]->isVisible());
        panel->DataLoggingCheckBox[1]->click();
        const QString name = panel->DataLoggingFileNameLabel[1]->text();
        QVERIFY2(name.startsWith("Data_0x1004A2_"), qPrintable(name));
        const auto lines = [&name] {
            QFile f(name);
            return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : -1;
        };
        QCOMPARE(lines(), 8); // the header
        rig.cycles(3);
        QCOMPARE(lines(), 11);
        panel->DataLoggingCheckBox[1]->click();
        QCOMPARE(panel->DataLoggingFileNameLabel[1]->text(), QString("<no file name>"));
        QVERIFY(!rig.module(1).Logging);

        // Rows shown before a scan moved the modules: the box only refreshes.
        rig.module(1).SerialText = "0x1004A3";
        panel->DataLoggingCheckBox[1]->click();
        QVERIFY(!rig.module(1).Logging);
        QVERIFY(!panel->DataLoggingCheckBox[1]->isChecked());
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
        const QByteArrayList log = rig.eventLog();
        QVERIFY2(
            log.last().startsWith("Settings file Module_v13_0x1004A2.dat could not be saved: "),
            log.last());

        rig.module(1).Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 3, 7)); };
        QVERIFY(QDir().mkdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
        rig.form->DataLoggingSpeedButton->click();
        rig.form->DataLoggingPanel->DataLoggingCheckBox[1]->click();
        QVERIFY(rig.eventLog().last().startsWith(
            "Log file Data_0x1004A2_2026-12-05_14-03-07.txt could not be created: "));
        QCOMPARE(rig.eventLog().size(), log.size() + 1);
        QVERIFY(QDir().rmdir("Module_v13_0x1004A2.dat"));
        QVERIFY(QDir().rmdir("Data_0x1004A2_2026-12-05_14-03-07.txt"));
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
