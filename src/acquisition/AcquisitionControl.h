#pragma once

#include "AcquisitionPorts.h"
#include "OVIntObjectUnit.h"
#include "modules/ModuleSnapshot.h"
#include "modules/OVModObjectUnit.h"

#include <QList>
#include <QObject>

#include <array>
#include <memory>

namespace orvane {

class AlarmOutput;
class ConfigView;
class LogMemo;
class NavigationTree;
class OperatorMessages;
class TreeNode;
class TThreadedTimer;

// The acquisition state and its operations: start-up, the five-step polling
// cycle, the reply checks and the module scan. The main window owns one and
// forwards its timer tick and buttons to it; it runs without a window too.
// Arrays indexed by slot use 1..4 (element 0 unused).
class AcquisitionControl : public QObject
{
    Q_OBJECT
public:
    struct Ports
    {
        LogMemo *eventLog = nullptr;
        OperatorMessages *messages = nullptr;
        NavigationTree *tree = nullptr;
        AcquisitionView *view = nullptr;
        TraceView *trace = nullptr;
        ConfigView *config = nullptr;
        AlarmOutput *alarms = nullptr;
    };

    AcquisitionControl(D2xxDriver *driver, const Ports &ports, QObject *parent = nullptr);
    ~AcquisitionControl() override;

    // --- state ---
    std::unique_ptr<TOV_INT_Object> IntObject;
    std::array<std::unique_ptr<TOV_MOD_Object>, 5> ModObject; // [1..4]
    std::array<qint32, 5> ModuleList {}; // [1..4]
    TreeNode *RootNode = nullptr;
    bool StartUp = false;
    bool CyclicUpdate = false;
    qint32 SelectedModule = 0;
    qint32 TxCount = 0;
    qint32 RxCount = 0;
    qint32 BadRxCount = 0;
    std::array<QByteArray, 5> RxData; // [1..4]
    qint32 PollState = 0;

    // The first tick's event-log line about the data server; the window sets
    // the bind error instead when the server could not listen.
    QByteArray ServerStatusLine = "TCP Server @ port 5001 started.";

    // The polling timer whose tick runs MainTimerTimer (owned by the window);
    // the start-up scan runs with it disabled.
    TThreadedTimer *ThreadedTimer1 = nullptr;

    // --- start and stop ---
    void FormCreate();
    // The core part of showing the window: the trace window gets the modules
    // and the event log the program version.
    void FormShow(const QByteArray &fileVersion);
    void FormClose();

    // --- polling ---
    void MainTimerTimer();
    void GreenCyclicButtonClick();
    void RedCyclicButtonClick();
    void ProcessData(int slot, const QByteArray &received);
    // Steps 1..5 of the cycle and the end-of-cycle processing, one tick each.
    void PollStep();
    void EndOfCycle();

    // --- scan ---
    void ScanButtonClick();
    void Build_Root_Tree();
    bool Connect_Interface();
    bool Detect_Module(int band);
    int FindModBySN(const QByteArray &text) const;
    void CreateModuleList();
    // A scan is running (a tick can arrive inside its waits).
    bool isScanning() const { return m_scanning; }

    // --- operator edits (the panels) ---
    // Module `slot` was changed by the operator: its tree nodes are rewritten
    // at once (names, units, digits) and modulesChanged is announced, also
    // while polling is stopped. A module without nodes in the tree gets
    // none: only the announcement follows.
    void moduleEdited(int slot);
    // The outputs panel's mode choice: output 1 or 2 of `slot` becomes 0 "Off",
    // 1 "On" or 2 "Use Rule". The module object changes at once, the module
    // with its next request, the settings file only with a save. A type-2
    // module switches on above its threshold only, so both rule actions
    // become "ON". Announced as an edit and with outputModeSet. False (and
    // nothing changes) for a slot, output or mode out of range.
    bool setOutputMode(int slot, int output, int mode);
    // The configuration grid's read-back for `slot`: ReadConfiguration,
    // SaveSettings, then moduleEdited.
    void readBackConfiguration(int slot);
    // SaveSettings of `slot`; a file that cannot be written gives one
    // event-log line naming it and the reason. False then.
    bool saveModuleSettings(int slot);
    // SetLogging of `slot`; a log file that cannot be created gives one
    // event-log line naming it and the reason.
    void setModuleLogging(int slot, bool on);

    // --- what a cycle did, for those outside ---
    // The values of all slots now (the time is left for the caller to set).
    ModuleSnapshot snapshot() const;
    // What changed in the last completed cycle, besides the values.
    struct CycleChange
    {
        enum Kind { AlarmRaised, AlarmCleared, ModuleLost, ModuleBack };
        int slot = 0;
        Kind kind = AlarmRaised;
        int index = 0; // the signal of an alarm change
    };
    const QList<CycleChange> &cycleChanges() const { return m_cycleChanges; }

    // --- helpers for the window ---
    void InfoDialogAdd(const QByteArray &text);
    std::array<TOV_MOD_Object *, 4> modules() const;
    NavigationTree *tree() const { return m_ports.tree; }

Q_SIGNALS:
    // Module data changed outside the polling cycle: a scan changed a slot or
    // the operator edited a module.
    void modulesChanged();
    // setOutputMode changed an output of `slot` (the panel or a remote
    // command); a panel that shows the module refills.
    void outputModeSet(int slot);
    // A polling cycle was completed: its replies are processed and the
    // window's panels updated. Emitted once per cycle, last in EndOfCycle.
    void cycleCompleted();
    // MainTimerTimer has done its work; emitted last in every tick.
    void tickDone();

private:
    void sendSlot(int slot);
    void readInto(int slot);
    void noteCycleChanges(int slot, const std::array<qint32, kMaxSignals + 1> &latchesBefore);

    Ports m_ports;
    bool m_scanning = false;
    bool m_closing = false;
    quint64 m_completedCycles = 0;
    // Replies missed in a row per slot (up to LostAfterMissed), for the
    // module whose serial number is beside it.
    std::array<int, 5> m_missedInRow {};
    std::array<QByteArray, 5> m_missedSerial;
    QList<CycleChange> m_cycleChanges;
};

} // namespace orvane
