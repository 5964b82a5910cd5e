// The main window on the simulated network, found by the names its controls
// carry: the layout of the window and its panels, panel routing by button and
// by tree click, and the wiring to the statistics, the trace window and the
// memos.
#include "ModalAnswers.h"
#include "SimWindow.h"
#include "common/Text1252.h"
#include "modules/WarningFormUnit.h"
#include "trace/LogViewerUnit.h"
#include "trace/MeasurementLog.h"
#include "trace/TPlotWindowUnit.h"
#include "trace/TraceSlotTable.h"
#include "ui/AlarmPanel.h"
#include "ui/InfoPanel.h"
#include "ui/SettingsPanel.h"
#include "widgets/Paneles.h"
#include "widgets/TreeList.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

using namespace orvane;

class TestMainForm : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<SimWindow> m_rig;
    TMainForm *m_form = nullptr;
    TWarningForm m_warning;
    FakeOperatorMessages m_traceMessages;
    std::unique_ptr<TPlotWindow> m_traceWindow;

    template <typename T = QWidget> T *named(const QString &name) const
    {
        return m_form->findChild<T *>(name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_dir.path()));
        m_rig = std::make_unique<SimWindow>();
        m_form = m_rig->form.get();
        m_traceWindow = std::make_unique<TPlotWindow>(nullptr, &m_traceMessages);
        m_form->setTraceWindow(m_traceWindow.get());
        m_form->setWarningForm(&m_warning);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        m_rig->cycles(1); // start-up scan and step 1, then the rest of the cycle
    }
    void cleanupTestCase() { m_rig.reset(); }

    // Geometry within the parent, and the text (or group title) where given.
    void layout_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text"); // null: not checked
        const auto row
            = [](const char *name, const char *parent, QRect g, const char *text = nullptr) {
                  QTest::newRow(name) << parent << g << QString::fromLatin1(text);
              };
        row("MasterTree", "MainPaneles", { 8, 8, 361, 425 });
        const char *buttons[] = { "SpeedButton3", "GreenCyclicButton", "InfoSpeedButton",
            "TxRxSpeedButton", "SettingsSpeedButton", "DigoutButton", "DataLoggingSpeedButton",
            "PlotSpeedButton", "AlarmButton" };
        const int x[] = { 8, 64, 375, 431, 487, 543, 599, 656, 712 };
        for (int i = 0; i < 9; ++i)
            row(buttons[i], "MainPaneles", { x[i], 440, 50, 50 });
        for (const char *panel : { "TxRxPanel", "SettingsPanel", "DataLoggingPanel", "InfoPanel",
                 "DigoutPanel", "AlarmPanel" })
            row(panel, "MainPaneles", { 376, 8, 480, 425 });
        row("InfoMemo", "InfoPanel", { 8, 32, 465, 385 });
        row("AlarmMemo", "AlarmPanel", { 8, 32, 465, 353 });
        row("Mod1RxLabel", "TxRxPanel", { 8, 116, 137, 17 });
        row("SettingsLabel", "SettingsPanel", { 10, 8, 351, 21 }, "Configuration for module:");
        row("StringGrid", "SettingsPanel", { 8, 31, 465, 386 });
        row("DigoutPanelLabel", "DigoutPanel", { 10, 8, 439, 21 }, "Digital outputs for module:");
        row("Digout2RadioGroup", "DigoutPanel", { 8, 232, 121, 105 }, "Output 2");
        row("Digout2RuleGroupBox", "DigoutPanel", { 136, 232, 329, 105 }, "Rule for Output 2");
        row("NoteLabel1", "DigoutPanel", { 56, 344, 409, 13 },
            "On / Off / Rules settings are programmed into the wireless");
        row("SaveButton", "DigoutPanel", { 8, 392, 75, 25 }, "Save");
        row("DataLoggingFileNameLabel4", "DataLoggingPanel", { 16, 326, 441, 13 },
            "<no file name>");
    }
    void layout()
    {
        QWidget *w = named(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w);
        QTEST(w->parentWidget()->objectName(), "parent");
        QTEST(w->geometry(), "geometry");
        QFETCH(QString, text); // the start of it: a module's serial may follow
        const QString shown = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
        QVERIFY2(text.isNull() || shown.startsWith(text), qPrintable(shown));
    }

    void windowAndTree()
    {
        QCOMPARE(m_form->windowTitle(), QString("Orvane System"));
        QCOMPARE(m_form->centralWidget()->size(), QSize(864, 493));
        QCOMPARE(named<QPlainTextEdit>("InfoMemo")->document()->firstBlock().text(),
            QString("Orvane System 2.2.0.0"));
        const QList<QAction *> menus = m_form->menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QString("&File"));
        QCOMPARE(menus[0]->menu()->actions().value(1)->text(), QString("E&xit"));
        QCOMPARE(menus[1]->menu()->actions().value(0)->text(), QString("&About"));
        // Sections 220, 70, 70, 50 in a 361-pixel tree: the level column is
        // reached only by scrolling sideways.
        QCOMPARE(m_form->MasterTree->header()->sectionSize(0), 220);
        QVERIFY(m_form->MasterTree->horizontalScrollBar()->maximum() > 0);
    }

    void statisticsAfterOneCycle()
    {
        QCOMPARE(named<QLabel>("TxLabel")->text(), QString("2 "));
        QCOMPARE(named<QLabel>("RxLabel")->text(), QString("2 "));
        QCOMPARE(named<QLabel>("BadRxLabel")->text(), QString("0 "));
        QCOMPARE(named<QLabel>("Mod2RxLabel")->text(), QString("-"));
        QVERIFY(m_form->GreenCyclicButton->isVisible() && !m_form->RedCyclicButton->isVisible());
    }

    // Panels shown by a button, or by a click on a tree node given by its
    // child indexes below the root (and the module it selects).
    void panelRouting_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("selected");
        for (auto [button, panel] : { std::pair { "TxRxSpeedButton", "TxRxPanel" },
                 { "SettingsSpeedButton", "SettingsPanel" },
                 { "DataLoggingSpeedButton", "DataLoggingPanel" },
                 { "InfoSpeedButton", "InfoPanel" }, { "DigoutButton", "DigoutPanel" },
                 { "AlarmButton", "AlarmPanel" } })
            QTest::newRow(button) << button << QList<int> {} << panel << 0;
        const auto click = [](const char *name, QList<int> path, const char *panel, int slot) {
            QTest::newRow(name) << QString() << path << panel << slot;
        };
        click("root", {}, "InfoPanel", 0);
        click("interface", { 0 }, "TxRxPanel", 0);
        click("module 1", { 0, 0 }, "SettingsPanel", 1);
        click("input of module 3", { 0, 1, 0 }, "SettingsPanel", 3);
        click("output of module 1", { 0, 0, 5 }, "DigoutPanel", 1);
    }
    void panelRouting()
    {
        QFETCH(QString, button);
        QFETCH(QList<int>, path);
        QFETCH(QString, panel);
        m_rig->acq().SelectedModule = 0;
        if (!button.isEmpty()) {
            named<QToolButton>(button)->click();
        } else {
            QTreeWidgetItem *item = m_form->MasterTree->topLevelItem(0);
            for (int index : path)
                item = item->child(index);
            QVERIFY(item);
            const QRect r = m_form->MasterTree->visualItemRect(item);
            QTest::mouseClick(m_form->MasterTree->viewport(), Qt::LeftButton, {}, r.center());
        }
        for (TPaneles *p : m_form->Panels) {
            if (p)
                QCOMPARE(p->isVisible(), p->objectName() == panel);
        }
        QFETCH(int, selected);
        if (selected)
            QCOMPARE(m_rig->acq().SelectedModule, selected);
    }

    // The grid's trace boxes reach the trace window; the plot button shows it.
    void traceBoxesReachTheTraceWindow()
    {
        m_rig->acq().SelectedModule = 1;
        m_form->SettingsSpeedButton->click();
        QCheckBox *box = m_form->SettingsPanel->Checkbox[2];
        const TraceSlotTable &table = m_traceWindow->traceSlots();
        box->click();
        QVERIFY(table.TraceSlots[1].module == 1 && table.TraceSlots[1].signal == 2);
        box->click();
        QCOMPARE(table.TraceSlots[1].module, 0);
        m_form->PlotSpeedButton->click();
        QVERIFY(m_traceWindow->isVisible());
        m_traceWindow->hide();
    }

    // A log the program wrote, with a damaged line added, opened from the
    // File menu; a file that is no log gives one box and opens nothing.
    void openMeasurementLog()
    {
        QAction *item = m_form->menuBar()->actions()[0]->menu()->actions().value(0);
        QCOMPARE(item->objectName(), QString("OpenLogItem"));
        QCOMPARE(item->text(), QString("&Open measurement log..."));
        QVERIFY(!item->icon().isNull());
        TOV_MOD_Object *module = m_form->acquisition()->ModObject[1].get();
        QVERIFY(module->SetLogging(true));
        m_rig->cycles(2);
        const QString logName = QString::fromLatin1(module->LogFileName);
        module->SetLogging(false);
        QFile log(logName);
        QVERIFY(log.open(QIODevice::Append));
        log.write("12:xx:00 1\r\n");
        log.close();
        QFile foreign("notes.txt");
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("Orvane notes\n");
        foreign.close();
        ModalAnswers answers({ QDir::current().filePath(logName), "notes.txt" });
        item->trigger();
        item->trigger();
        const QList<TLogViewer *> viewers = m_form->findChildren<TLogViewer *>();
        QCOMPARE(viewers.size(), 1);
        TLogViewer *viewer = viewers[0];
        QCOMPARE(viewer->windowTitle(), "Log: " + logName);
        QVERIFY(viewer->log().data.size() >= 2);
        QVERIFY(viewer->StatusLabel->text().endsWith(", 1 line could not be read"));
        QCOMPARE(int(viewer->log().data.series.size()), module->SignalCount);
        QCOMPARE(viewer->SignalCheckBox[0]->text(),
            fromWindows1252(module->Signals[1].Name + " [" + module->Signals[1].Unit + ']'));
        QCOMPARE(answers.messages, QStringList { "notes.txt is not a measurement log." });
        viewer->close();
    }

    void memos()
    {
        // The event log's memo counts its lines as the 30-line rule needs.
        QPlainTextEdit edit;
        MemoLog memo(&edit);
        for (int i = 1; i <= 31; ++i)
            appendEventLogLine(&memo, QByteArray::number(i));
        QCOMPARE(edit.toPlainText(), QString("31"));

        // Alarm memo: the newest lines are kept, the oldest dropped.
        TAlarmPanel panel;
        for (int i = 1; i <= TAlarmPanel::kAlarmMemoMaxLines + 5; ++i)
            panel.alarmOutput()->appendAlarmLine(QByteArray::number(i));
        QCOMPARE(panel.AlarmMemo->blockCount(), TAlarmPanel::kAlarmMemoMaxLines);
        QCOMPARE(panel.AlarmMemo->document()->firstBlock().text(), QString("6"));
        QCOMPARE(panel.AlarmMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        panel.ClearAlarmButton->click();
        QVERIFY(panel.AlarmMemo->toPlainText().isEmpty());
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
