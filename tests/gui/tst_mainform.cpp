// The main window on the simulated network: layout, the tree's columns, the
// event-log memo's line rule, the cyclic buttons and the panel switch.
#include "common/NavigationTree.h"
#include "modules/WarningFormUnit.h"
#include "sim/Scenario.h"
#include "sim/SimDriver.h"
#include "ui/AlarmPanel.h"
#include "ui/DigoutPanel.h"
#include "ui/SettingsPanel.h"
#include "ui/InfoPanel.h"
#include "ui/TxRxPanel.h"
#include "ui/MainFormUnit.h"
#include "widgets/TreeList.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace orvane;

class TestMainForm : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir::setCurrent(m_dir.path())); }

    void layoutAndStartUpScan()
    {
        TMainForm::Options options;
        options.startTimer = false;
        options.dataPort = 0;
        TMainForm form(std::make_unique<SimDriver>(builtInScenario()), options);
        TWarningForm warning;
        form.setWarningForm(&warning);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QCOMPARE(form.windowTitle(), QString("Orvane System"));
        QCOMPARE(form.centralWidget()->size(), QSize(864, 493));
        QCOMPARE(form.MasterTree->geometry(), QRect(8, 8, 361, 425));
        QCOMPARE(form.MasterTree->header()->sectionSize(0), 220);
        QCOMPARE(form.MasterTree->header()->sectionSize(3), 50);
        QVERIFY(form.InfoPanel->isVisible());
        QVERIFY(form.RedCyclicButton->isVisible());
        QVERIFY(!form.GreenCyclicButton->isVisible());
        QVERIFY(form.InfoPanel->InfoMemo->toPlainText().startsWith("Orvane System "));

        form.MainTimerTimer(); // start-up: scan with real waits, then step 1
        QVERIFY(form.acquisition()->CyclicUpdate);
        QVERIFY(form.GreenCyclicButton->isVisible());
        QCOMPARE(form.TxRxPanel->ModRxLabel[1]->text(), QString("0x1004A2 missed samples"));
        QCOMPARE(form.TxRxPanel->ModRxLabel[2]->text(), QString("-"));
        QCOMPARE(form.TxRxPanel->OVI_Label->text().right(1), QString(" "));

        // The tree shows columns: name, value, unit, level marker.
        QTreeWidgetItem *root = form.MasterTree->topLevelItem(0);
        QCOMPARE(root->text(0), QString("Orvane System"));
        QCOMPARE(root->text(3), QString("Level 1"));
        QTreeWidgetItem *iface = root->child(0);
        QCOMPARE(iface->text(1), QString("Connected"));
        QTreeWidgetItem *module = iface->child(0);
        QCOMPARE(module->text(0), QString("Orvane Module "));
        QCOMPARE(module->text(1), QString("0x1004A2"));
        QCOMPARE(module->childCount(), 7);
        QCOMPARE(module->child(0)->text(2), QString("Volt"));
        QCOMPARE(iface->child(1)->child(1)->text(2), QString::fromUtf8("\u00B0C"));

        // A full cycle fills the statistics boxes.
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(60); // the simulated radio answers after 40 ms
            form.MainTimerTimer();
        }
        QCOMPARE(form.TxRxPanel->TxLabel->text(), QString("2 "));
        QCOMPARE(form.TxRxPanel->RxLabel->text(), QString("2 "));

        form.GreenCyclicButton->click();
        QVERIFY(!form.acquisition()->CyclicUpdate);
        QVERIFY(form.RedCyclicButton->isVisible());

        // Clicking tree nodes switches panels.
        form.MasterTree->setCurrentItem(iface);
        Q_EMIT form.MasterTree->itemClicked(iface, 0);
        QVERIFY(form.TxRxPanel->isVisible());
        QTreeWidgetItem *output = module->child(5);
        Q_EMIT form.MasterTree->itemClicked(output, 0);
        QVERIFY(form.DigoutPanel->isVisible());
        QCOMPARE(form.acquisition()->SelectedModule, 1);
        Q_EMIT form.MasterTree->itemClicked(module->child(0), 0);
        QVERIFY(form.SettingsPanel->isVisible());
        Q_EMIT form.MasterTree->itemClicked(root, 0);
        QVERIFY(form.InfoPanel->isVisible());
    }

    void memoLineRuleOnRealMemo()
    {
        QPlainTextEdit edit;
        MemoLog memo(&edit);
        QCOMPARE(memo.lineCount(), 0);
        for (int i = 1; i <= 30; ++i)
            appendEventLogLine(&memo, QByteArray::number(i));
        QCOMPARE(memo.lineCount(), 30);
        appendEventLogLine(&memo, "31");
        QCOMPARE(edit.toPlainText(), QString("31"));
        QCOMPARE(memo.lineCount(), 1);
    }

    void treeColumnsFromNodeText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("four parts") << QByteArray("P1|P2|P3|P4") << QStringList{"P1", "P2", "P3", "P4"};
        QTest::newRow("more parts dropped") << QByteArray("a|b|c|d|e|f") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("fewer parts") << QByteArray("a|b") << QStringList{"a", "b", "", ""};
        QTest::newRow("empty part") << QByteArray("a||c|d") << QStringList{"a", "", "c", "d"};
        QTest::newRow("no separator") << QByteArray("alone") << QStringList{"alone", "", "", ""};
        QTest::newRow("degree byte") << QByteArray("T|21.5|\xB0" "C|Level 4") << QStringList{"T", "21.5", QString::fromUtf8("\u00B0C"), "Level 4"};
    }
    void treeColumnsFromNodeText()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, columns);
        NavigationTree model;
        TpTree tree;
        tree.setSections({220, 70, 70, 50}, 3);
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
