#pragma once

#include "acquisition/AcquisitionControl.h"
#include "common/NavigationTree.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace orvane {

class AlarmPanelOutput;
class D2xxDriver;
class GridConfigView;
class MemoLog;
class MessageBoxes;
class TThreadedTimer;
class TWarningForm;
class TcpDataServer;
class TpTree;

// The main window. It owns the long-lived objects (acquisition with the
// interface link and the four module objects, the polling timer, the data
// server), lays out the controls, and forwards the controls' events to the
// handlers by their names. The work happens in the core objects.
class TMainForm : public QMainWindow, public AcquisitionView, public TraceView
{
    Q_OBJECT
public:
    struct Options
    {
        quint16 dataPort = 5001;
        bool startTimer = true;
    };

    explicit TMainForm(D2xxDriver *driver, const Options &options, QWidget *parent = nullptr);
    ~TMainForm() override;

    // The alarm window is created after the main window.
    void setWarningForm(TWarningForm *form);

    AcquisitionControl *acquisition() const { return m_acq.get(); }
    NavigationTree &treeModel() { return m_tree; }

    // --- controls ---
    QWidget *MainPaneles = nullptr;
    TpTree *MasterTree = nullptr;
    QToolButton *SpeedButton3 = nullptr;
    QToolButton *GreenCyclicButton = nullptr;
    QToolButton *RedCyclicButton = nullptr;
    QToolButton *InfoSpeedButton = nullptr;
    QToolButton *TxRxSpeedButton = nullptr;
    QToolButton *SettingsSpeedButton = nullptr;
    QToolButton *DigoutButton = nullptr;
    QToolButton *DataLoggingSpeedButton = nullptr;
    QToolButton *PlotSpeedButton = nullptr;
    QToolButton *AlarmButton = nullptr;
    std::array<QFrame *, 7> Panels{}; // [1..6]
    QFrame *TxRxPanel = nullptr;
    QFrame *SettingsPanel = nullptr;
    QFrame *DataLoggingPanel = nullptr;
    QFrame *InfoPanel = nullptr;
    QFrame *DigoutPanel = nullptr;
    QFrame *AlarmPanel = nullptr;
    QPlainTextEdit *InfoMemo = nullptr;
    QPlainTextEdit *AlarmMemo = nullptr;
    QPushButton *ClearAlarmButton = nullptr;
    QLabel *OVI_Label = nullptr;
    QLabel *TxLabel = nullptr;
    QLabel *RxLabel = nullptr;
    QLabel *BadRxLabel = nullptr;
    std::array<QLabel *, 5> ModRxLabel{};   // Mod1RxLabel .. Mod4RxLabel
    std::array<QLabel *, 5> ModStaticText{}; // Mod1_StaticText .. Mod4_StaticText
    QLabel *SettingsLabel = nullptr;
    QTableWidget *StringGrid = nullptr;
    QList<QCheckBox *> CheckBoxes; // Checkbox1 .. Checkbox16
    TThreadedTimer *ThreadedTimer1 = nullptr;

    // --- handlers ---
    void FormCreate();
    void FormShow();
    void FormClose();
    void MainTimerTimer();
    void ScanButtonClick();
    void GreenCyclicButtonClick();
    void RedCyclicButtonClick();
    void MasterTreeClick();
    void InfoDialogAdd(const QByteArray &text);
    void InfoSpeedButtonClick() { SetPanelsVisible(4); }
    void TxRxSpeedButtonClick() { SetPanelsVisible(1); }
    void AlarmButtonClick() { SetPanelsVisible(6); }
    void ClearAlarmList();
    void MenuExitClick();
    void AboutMenuItemClick();

    // --- AcquisitionView ---
    void showCyclicButtons(bool running) override;
    void SetPanelsVisible(int panel) override;
    void setOviLabel(const QByteArray &text) override;
    void setModuleLabel(int slot, const QByteArray &text) override;
    void UpdateTxRxPanel(qint32 tx, qint32 rx, qint32 badRx,
                         const std::array<qint32, 4> &lostReplies) override;
    void UpdateDigoutPanel_LEDS() override {}
    void UpdateSettingsPanel() override {}

    // --- TraceView (the trace window comes later) ---
    void SetModules(const std::array<TOV_MOD_Object *, 4> &) override {}
    void RefreshTraces() override {}
    void RemoveModuleTraces(int) override {}

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    QFrame *makePanel(const QString &heading);
    void buildStatisticsPanel();
    void buildSettingsPanel();
    void buildInfoPanel();
    void buildAlarmPanel();
    void startDataServer(quint16 port);

    Options m_options;
    NavigationTree m_tree;
    std::unique_ptr<MemoLog> m_memoLog;
    std::unique_ptr<MessageBoxes> m_messages;
    std::unique_ptr<GridConfigView> m_gridView;
    std::unique_ptr<AlarmPanelOutput> m_alarmOutput;
    std::unique_ptr<AcquisitionControl> m_acq;
    TcpDataServer *IdTCPServer = nullptr;
    bool m_closing = false;
};

} // namespace orvane
