// The main window on the simulated network, found by the names its
// controls carry: layout, texts that fit their boxes, panel routing by button
// and by tree click, the statistics after a cycle, the memos' line rules.
#include "FakePorts.h"
#include "ModalAnswers.h"
#include "common/NavigationTree.h"
#include "common/Text1252.h"
#include "modules/WarningFormUnit.h"
#include "sim/Scenario.h"
#include "sim/SimClock.h"
#include "sim/SimDriver.h"
#include "trace/LogViewerUnit.h"
#include "trace/MeasurementLog.h"
#include "trace/TPlotWindowUnit.h"
#include "trace/TraceSlotTable.h"
#include "ui/AlarmPanel.h"
#include "ui/InfoPanel.h"
#include "ui/MainFormUnit.h"
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
    ManualSimClock m_clock; // the simulated radio's time: no real waits
    std::unique_ptr<TMainForm> m_form;
    std::unique_ptr<TWarningForm> m_warning;
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
        TMainForm::Options options;
        options.startTimer = false;
        options.dataPort = 0;
        m_form = std::make_unique<TMainForm>(
            std::make_unique<SimDriver>(builtInScenario(), m_clock), options);
        m_form->acquisition()->IntObject->setWaitFunction(
            [this](int ms) { m_clock.advanceMs(ms); });
        m_traceWindow = std::make_unique<TPlotWindow>(nullptr, &m_traceMessages);
        m_form->setTraceWindow(m_traceWindow.get());
        m_warning = std::make_unique<TWarningForm>();
        m_form->setWarningForm(m_warning.get());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        for (int i = 0; i < 5; ++i) { // start-up scan and step 1, then the rest of the cycle
            m_clock.advanceMs(180);
            m_form->MainTimerTimer();
        }
    }
    void cleanupTestCase()
    {
        m_form.reset();
        m_traceWindow.reset();
        m_warning.reset();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        const auto row = [](const char *name, const char *parent, QRect r) {
            QTest::newRow(name) << QString::fromLatin1(parent) << r;
        };
        row("MasterTree", "MainPaneles", { 8, 8, 361, 425 });
        const struct
        {
            const char *name;
            int x;
        } buttons[] = { { "SpeedButton3", 8 }, { "GreenCyclicButton", 64 },
            { "RedCyclicButton", 64 }, { "InfoSpeedButton", 375 }, { "TxRxSpeedButton", 431 },
            { "SettingsSpeedButton", 487 }, { "DigoutButton", 543 },
            { "DataLoggingSpeedButton", 599 }, { "PlotSpeedButton", 656 }, { "AlarmButton", 712 } };
        for (const auto &b : buttons)
            row(b.name, "MainPaneles", { b.x, 440, 50, 50 });
        for (const char *panel : { "TxRxPanel", "SettingsPanel", "DataLoggingPanel", "InfoPanel",
                 "DigoutPanel", "AlarmPanel" })
            row(panel, "MainPaneles", { 376, 8, 480, 425 });
        row("InfoMemo", "InfoPanel", { 8, 32, 465, 385 });
        row("AlarmMemo", "AlarmPanel", { 8, 32, 465, 353 });
        row("ClearAlarmButton", "AlarmPanel", { 8, 392, 75, 25 });
        row("OVI_Label", "TxRxPanel", { 152, 36, 65, 17 });
        row("TxLabel", "TxRxPanel", { 152, 56, 65, 17 });
        row("RxLabel", "TxRxPanel", { 152, 76, 65, 17 });
        row("BadRxLabel", "TxRxPanel", { 152, 96, 65, 17 });
        row("Mod1RxLabel", "TxRxPanel", { 8, 116, 137, 17 });
        row("Mod4RxLabel", "TxRxPanel", { 8, 176, 137, 17 });
        row("Mod1_StaticText", "TxRxPanel", { 152, 116, 65, 17 });
        row("Mod4_StaticText", "TxRxPanel", { 152, 176, 65, 17 });
        row("DataLoggingLabel1", "DataLoggingPanel", { 10, 8, 455, 21 });
    }
    void layout()
    {
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QWidget *w = named(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), geometry);
    }

    void windowAndTree()
    {
        QCOMPARE(m_form->windowTitle(), QString("Orvane System"));
        QCOMPARE(m_form->pos(), QPoint(0, 0));
        QCOMPARE(m_form->centralWidget()->objectName(), QString("MainPaneles"));
        QCOMPARE(m_form->centralWidget()->size(), QSize(864, 493));
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(
            named<QToolButton>("SpeedButton3")->toolTip(), QString("Scan for wireless modules"));
        QCOMPARE(named<QPlainTextEdit>("InfoMemo")->document()->firstBlock().text(),
            QString("Orvane System 2.2.0.0"));
        const QList<QAction *> menus = m_form->menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QString("&File"));
        QCOMPARE(menus[0]->menu()->actions().value(1)->text(), QString("E&xit"));
        QCOMPARE(menus[1]->menu()->actions().value(0)->text(), QString("&About"));

        // Sections 220, 70, 70, 50 in a 361-pixel tree: the level column is
        // reached only by scrolling sideways.
        TpTree *tree = m_form->MasterTree;
        QCOMPARE(tree->header()->sectionSize(0), 220);
        QCOMPARE(tree->header()->sectionSize(3), 50);
        QCOMPARE(tree->header()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(tree->horizontalScrollBar()->singleStep(), TpTree::kScrollLineStep);
        QCOMPARE(tree->header()->objectName(), QString("Header1"));
        // The selected row keeps its highlight without focus.
        QCOMPARE(tree->palette().color(QPalette::Inactive, QPalette::Highlight),
            tree->palette().color(QPalette::Active, QPalette::Highlight));
    }

    // Every label's text fits its box with the window font, after the scan
    // wrote the longest texts ("0x1004A2 missed samples").
    void textsFitTheirBoxes()
    {
        QCOMPARE(named<QLabel>("Mod1RxLabel")->text(), QString("0x1004A2 missed samples"));
        for (QLabel *label : m_form->findChildren<QLabel *>()) {
            if (label->text().isEmpty() || label->wordWrap())
                continue;
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(needed <= label->contentsRect().width(),
                qPrintable(QStringLiteral("%1 \"%2\": %3 > %4")
                               .arg(label->objectName(), label->text())
                               .arg(needed)
                               .arg(label->contentsRect().width())));
        }
    }

    void statisticsAfterOneCycle()
    {
        QCOMPARE(named<QLabel>("TxLabel")->text(), QString("2 "));
        QCOMPARE(named<QLabel>("RxLabel")->text(), QString("2 "));
        QCOMPARE(named<QLabel>("BadRxLabel")->text(), QString("0 "));
        QCOMPARE(named<QLabel>("Mod2RxLabel")->text(), QString("-"));
        QCOMPARE(named<QLabel>("OVI_Label")->text().right(1), QString(" "));
        QVERIFY(m_form->GreenCyclicButton->isVisible());
        QVERIFY(!m_form->RedCyclicButton->isVisible());
    }

    void buttonsShowTheirPanel_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("panel");
        QTest::newRow("statistics") << "TxRxSpeedButton"
                                    << "TxRxPanel";
        QTest::newRow("settings") << "SettingsSpeedButton"
                                  << "SettingsPanel";
        QTest::newRow("logging") << "DataLoggingSpeedButton"
                                 << "DataLoggingPanel";
        QTest::newRow("event log") << "InfoSpeedButton"
                                   << "InfoPanel";
        QTest::newRow("outputs") << "DigoutButton"
                                 << "DigoutPanel";
        QTest::newRow("alarms") << "AlarmButton"
                                << "AlarmPanel";
    }
    void buttonsShowTheirPanel()
    {
        QFETCH(QString, button);
        QFETCH(QString, panel);
        named<QToolButton>(button)->click();
        for (TPaneles *p : m_form->Panels) {
            if (p)
                QCOMPARE(p->isVisible(), p->objectName() == panel);
        }
    }

    // Tree clicks by node: {interface child, module child, signal child}
    // (-1 = stop above that level).
    void treeClickShowsPanel_data()
    {
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("selected");
        QTest::newRow("root") << QList<int> {} << "InfoPanel" << 0;
        QTest::newRow("interface") << QList<int> { 0 } << "TxRxPanel" << 0;
        QTest::newRow("module 1") << QList<int> { 0, 0 } << "SettingsPanel" << 1;
        QTest::newRow("input of module 3") << QList<int> { 0, 1, 0 } << "SettingsPanel" << 3;
        QTest::newRow("output of module 1") << QList<int> { 0, 0, 5 } << "DigoutPanel" << 1;
    }
    void treeClickShowsPanel()
    {
        QFETCH(QList<int>, path);
        QFETCH(QString, panel);
        QFETCH(int, selected);
        m_form->acquisition()->SelectedModule = 0;
        QTreeWidgetItem *item = m_form->MasterTree->topLevelItem(0);
        for (int index : path)
            item = item->child(index);
        QVERIFY(item);
        const QRect r = m_form->MasterTree->visualItemRect(item);
        QTest::mouseClick(m_form->MasterTree->viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(m_form->findChild<TPaneles *>(panel)->isVisible());
        if (selected)
            QCOMPARE(m_form->acquisition()->SelectedModule, selected);
    }

    // The grid's trace boxes reach the trace window: six signals take the six
    // traces, the seventh is refused with the box and stays unticked.
    void traceBoxesFillTheTraceWindow()
    {
        m_form->acquisition()->SelectedModule = 1;
        m_form->SettingsSpeedButton->click();
        std::array<QCheckBox *, 17> &boxes = m_form->SettingsPanel->Checkbox;
        for (int n = 1; n <= 7; ++n)
            boxes[n]->click();
        const TraceSlotTable &table = m_traceWindow->traceSlots();
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(table.TraceSlots[i].module, 1);
            QCOMPARE(table.TraceSlots[i].signal, i);
        }
        QCOMPARE(m_traceMessages.warnings,
            QByteArrayList { "Tracing Error|Error adding signal. No more free traces." });
        QVERIFY(boxes[6]->isChecked());
        QVERIFY(!boxes[7]->isChecked());
        boxes[2]->click(); // unticked: its trace is free again
        QCOMPARE(table.TraceSlots[2].module, 0);

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
        for (int i = 0; i < 10; ++i) {
            m_clock.advanceMs(180);
            m_form->MainTimerTimer();
        }
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

    void memoLineRules()
    {
        // Event log: the 31st line empties the memo first.
        QPlainTextEdit edit;
        MemoLog memo(&edit);
        for (int i = 1; i <= 31; ++i)
            appendEventLogLine(&memo, QByteArray::number(i));
        QCOMPARE(edit.toPlainText(), QString("31"));
        // Control bytes from the radio never split a line; tabs stay.
        appendEventLogLine(&memo, "> 0x1\r\n04A2\tCRC: NOK");
        QCOMPARE(memo.lineCount(), 2);
        QCOMPARE(edit.document()->lastBlock().text(), QString("> 0x1??04A2\tCRC: NOK"));

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

    void treeColumnsFromNodeText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("four parts")
            << QByteArray("P1|P2|P3|P4") << QStringList { "P1", "P2", "P3", "P4" };
        QTest::newRow("more parts dropped")
            << QByteArray("a|b|c|d|e|f") << QStringList { "a", "b", "c", "d" };
        QTest::newRow("fewer parts") << QByteArray("a|b") << QStringList { "a", "b", "", "" };
        QTest::newRow("empty part") << QByteArray("a||c|d") << QStringList { "a", "", "c", "d" };
        QTest::newRow("degree byte") << QByteArray(
            "T|21.5|\xB0"
            "C|Level 4") << QStringList { "T", "21.5", QString::fromUtf8("\u00B0C"), "Level 4" };
    }
    void treeColumnsFromNodeText()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, columns);
        NavigationTree model;
        TpTree tree;
        tree.setSections({ 220, 70, 70, 50 }, 3);
        tree.setModel(&model);
        TreeNode *node = model.addRoot("x", 0);
        model.setText(node, text);
        QTreeWidgetItem *item = tree.itemOf(node);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(item->text(c), columns[c]);
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
