#pragma once

#include "TraceSlots.h"
#include "app/OrvaneSession.h"
#include "common/NavigationTree.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QToolButton;

namespace orvane {

class D2xxDriver;
class HintTiming;
class TMXPMenu;
class MessageBoxes;
class TAlarmPanel;
class TDataLoggingPanel;
class TDigoutPanel;
class TInfoPanel;
class TPaneles;
class TPlotWindow;
class TSettingsPanel;
class TTxRxPanel;
class TWarningForm;
class TpTree;

// The main window: the navigation tree, the row of speed buttons, the menu
// and the six panels, one visible at a time. It owns the program's session
// (driver, acquisition, polling timer, data server), binds its ports to the
// panels and forwards the controls' events to the handlers by their names.
class TMainForm : public QMainWindow, public AcquisitionView, public TraceView, public TraceSlots
{
    Q_OBJECT
public:
    using Options = OrvaneSession::Options;

    TMainForm(
        std::unique_ptr<D2xxDriver> driver, const Options &options, QWidget *parent = nullptr);
    ~TMainForm() override;

    // The windows created after the main window.
    void setWarningForm(TWarningForm *form);
    void setTraceWindow(TPlotWindow *window);

    OrvaneSession *session() const { return m_session.get(); }
    AcquisitionControl *acquisition() const { return m_session->acquisition(); }
    NavigationTree &treeModel() { return m_tree; }

    // --- controls ---
    TPaneles *MainPaneles = nullptr;
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
    TTxRxPanel *TxRxPanel = nullptr;
    TSettingsPanel *SettingsPanel = nullptr;
    TDataLoggingPanel *DataLoggingPanel = nullptr;
    TInfoPanel *InfoPanel = nullptr;
    TDigoutPanel *DigoutPanel = nullptr;
    TAlarmPanel *AlarmPanel = nullptr;
    std::array<TPaneles *, 7> Panels {}; // [1..6] by panel number
    TMXPMenu *MXPMenu1 = nullptr; // paints the menu bar and its menus

    // --- handlers ---
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
    void SettingsSpeedButtonClick();
    void DigoutButtonClick();
    void DataLoggingSpeedButtonClick();
    void PlotSpeedButtonClick();
    void AlarmButtonClick() { SetPanelsVisible(6); }
    void MenuExitClick();
    void AboutMenuItemClick();
    // Asks for a measurement log and opens it in a window of its own.
    void OpenLogItemClick();

    // --- AcquisitionView ---
    void showCyclicButtons(bool running) override;
    void SetPanelsVisible(int panel) override;
    void setOviLabel(const QByteArray &text) override;
    void setModuleLabel(int slot, const QByteArray &text) override;
    void UpdateTxRxPanel(
        qint32 tx, qint32 rx, qint32 badRx, const std::array<qint32, 4> &lostReplies) override;
    void UpdateDigoutPanel_LEDS() override;
    void UpdateSettingsPanel() override;

    // --- TraceView: forwarded to the trace window ---
    void SetModules(const std::array<TOV_MOD_Object *, 4> &modules) override;
    void RefreshTraces() override;
    void RemoveModuleTraces(int slot) override;

    // --- TraceSlots: the grid's trace boxes, forwarded to the trace window ---
    bool AddTrace(int module, int signal) override;
    void RemoveTrace(int module, int signal) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildButtons();
    void buildMenu();

    NavigationTree m_tree;
    std::unique_ptr<MessageBoxes> m_messages;
    HintTiming *m_hintTiming = nullptr; // a child: outlives the controls that use it
    std::unique_ptr<OrvaneSession> m_session;
    TWarningForm *m_warningForm = nullptr;
    QPointer<TPlotWindow> m_traceWindow; // created after this window, destroyed before it
    bool m_closing = false;
};

} // namespace orvane
