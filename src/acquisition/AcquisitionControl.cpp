#include "AcquisitionControl.h"

#include "ThdTimer.h"
#include "common/EventLog.h"
#include "common/NavigationTree.h"
#include "protocol/WireProtocol.h"

namespace orvane {

AcquisitionControl::AcquisitionControl(D2xxDriver *driver, const Ports &ports, QObject *parent)
    : QObject(parent)
    , m_ports(ports)
{
    IntObject = std::make_unique<TOV_INT_Object>(driver, ports.messages);
}

AcquisitionControl::~AcquisitionControl() = default;

void AcquisitionControl::InfoDialogAdd(const QByteArray &text)
{
    appendEventLogLine(m_ports.eventLog, text);
}

std::array<TOV_MOD_Object *, 4> AcquisitionControl::modules() const
{
    return { ModObject[1].get(), ModObject[2].get(), ModObject[3].get(), ModObject[4].get() };
}

void AcquisitionControl::FormCreate()
{
    StartUp = true;
    CyclicUpdate = false;
    TxCount = RxCount = BadRxCount = 0;
    SelectedModule = 0;

    IntObject->Init();
    IntObject->SetLog(m_ports.eventLog);

    for (int slot = 1; slot <= 4; ++slot) {
        ModObject[slot] = std::make_unique<TOV_MOD_Object>();
        ModObject[slot]->AttachControls(m_ports.config, m_ports.alarms, &RxCount);
        // The type is set directly: the signal table stays empty until a scan.
        ModObject[slot]->ModuleType = 1;
    }

    if (m_ports.tree && m_ports.tree->isEmpty()) {
        TreeNode *root = m_ports.tree->addRoot("Orvane System|||Level 1", 0);
        m_ports.tree->select(root);
        RootNode = root;
    }
}

void AcquisitionControl::FormShow(const QByteArray &fileVersion)
{
    if (m_ports.trace)
        m_ports.trace->SetModules(modules());
    InfoDialogAdd("Orvane System " + fileVersion);
}

void AcquisitionControl::FormClose()
{
    CyclicUpdate = false;
    m_closing = true;
    IntObject->Closing = true;
    IntObject->Wait(1000);
    if (IntObject->device().IsOpen())
        IntObject->device().Close();
}

void AcquisitionControl::GreenCyclicButtonClick()
{
    CyclicUpdate = false;
    if (m_ports.view)
        m_ports.view->showCyclicButtons(false);
}

void AcquisitionControl::RedCyclicButtonClick()
{
    CyclicUpdate = true;
    if (m_ports.view)
        m_ports.view->showCyclicButtons(true);
}

void AcquisitionControl::MainTimerTimer()
{
    if (StartUp) {
        InfoDialogAdd(ServerStatusLine);
        if (ThreadedTimer1)
            ThreadedTimer1->setEnabled(false);
        StartUp = false;
        ScanButtonClick();
        if (ThreadedTimer1)
            ThreadedTimer1->setEnabled(true);
        PollState = 1;
    }
    if (!IntObject->IsConnected()) {
        CyclicUpdate = false;
        GreenCyclicButtonClick();
    }
    // A tick inside a scan's wait never polls: its frames would mix with the
    // scan's answers.
    if (CyclicUpdate && !m_scanning)
        PollStep();
    Q_EMIT tickDone();
}

void AcquisitionControl::sendSlot(int slot)
{
    TOV_MOD_Object &module = *ModObject[slot];
    if (!module.Present)
        return;
    IntObject->device().WriteString(module.BuildRequest(slot));
    ++TxCount;
}

void AcquisitionControl::readInto(int slot)
{
    RxData[slot] = IntObject->device().ReadString();
}

void AcquisitionControl::PollStep()
{
    switch (PollState) {
    case 1:
        sendSlot(1);
        PollState = 2;
        break;
    case 2:
    case 3:
    case 4:
        readInto(PollState - 1);
        sendSlot(PollState);
        ++PollState;
        break;
    case 5:
        readInto(4);
        EndOfCycle();
        break;
    default:
        // Only reachable before the start-up scan set the first step.
        PollState = 1;
        break;
    }
}

void AcquisitionControl::EndOfCycle()
{
    m_cycleChanges.clear();
    for (int slot = 1; slot <= 4; ++slot) {
        TOV_MOD_Object &module = *ModObject[slot];
        if (!module.Present) {
            m_missedInRow[slot] = 0;
            continue;
        }
        if (module.SerialText != m_missedSerial[slot]) {
            m_missedSerial[slot] = module.SerialText;
            m_missedInRow[slot] = 0;
        }
        const auto latchesBefore = module.AlarmActive;
        ProcessData(slot, RxData[slot]);
        module.ProcessReply(m_ports.tree);
        noteCycleChanges(slot, latchesBefore);
    }
    if (m_ports.view) {
        m_ports.view->UpdateTxRxPanel(TxCount, RxCount, BadRxCount,
            { ModObject[1]->LostReplies, ModObject[2]->LostReplies, ModObject[3]->LostReplies,
                ModObject[4]->LostReplies });
        m_ports.view->UpdateDigoutPanel_LEDS();
    }
    if (m_ports.trace)
        m_ports.trace->RefreshTraces();
    PollState = 1;
    ++m_completedCycles;
    Q_EMIT cycleCompleted();
}

void AcquisitionControl::noteCycleChanges(
    int slot, const std::array<qint32, kMaxSignals + 1> &latchesBefore)
{
    const TOV_MOD_Object &module = *ModObject[slot];
    // A reply that failed its checks counts as missed, like no reply at all.
    int &missed = m_missedInRow[slot];
    if (module.Reply.isEmpty()) {
        // Counted up to the mark only, so the loss is announced once.
        if (missed < LostAfterMissed && ++missed == LostAfterMissed)
            m_cycleChanges.append({ slot, CycleChange::ModuleLost, 0 });
    } else {
        if (missed >= LostAfterMissed)
            m_cycleChanges.append({ slot, CycleChange::ModuleBack, 0 });
        missed = 0;
    }
    for (int i = 1; i <= kMaxSignals; ++i) {
        const bool before = latchesBefore[i] != 0;
        const bool after = module.AlarmActive[i] != 0;
        if (before != after) {
            m_cycleChanges.append(
                { slot, after ? CycleChange::AlarmRaised : CycleChange::AlarmCleared, i });
        }
    }
}

ModuleSnapshot AcquisitionControl::snapshot() const
{
    ModuleSnapshot s;
    s.cycle = m_completedCycles;
    s.interfaceSerial = IntObject->SerialNumber;
    s.interfaceConnected = IntObject->Connected && IntObject->device().IsOpen();
    fillSlots(
        s, { ModObject[1].get(), ModObject[2].get(), ModObject[3].get(), ModObject[4].get() });
    for (int slot = 1; slot <= 4; ++slot) {
        SlotSnapshot &m = s.modules[size_t(slot - 1)];
        if (!m.present || ModObject[slot]->SerialText != m_missedSerial[slot])
            continue;
        m.missedInRow = m_missedInRow[slot];
        if (m.missedInRow >= LostAfterMissed)
            m.link = ModuleLink::Lost;
    }
    s.txCount = TxCount;
    s.rxCount = RxCount;
    s.badRxCount = BadRxCount;
    return s;
}

void AcquisitionControl::ProcessData(int slot, const QByteArray &received)
{
    TOV_MOD_Object &module = *ModObject[slot];
    module.SetReply(QByteArray());

    const ReplyCheck check = checkReply(received);
    const char *failure = nullptr;
    switch (check.fault) {
    case ReplyFault::None:
        module.SetReply(check.packet);
        ++RxCount;
        return;
    case ReplyFault::Nothing:
        failure = " Packet length: 0";
        break;
    case ReplyFault::LengthByte:
        failure = " Packet length: NOK";
        break;
    case ReplyFault::TooShort:
        failure = " CRC length: NOK";
        break;
    case ReplyFault::CheckByte:
        failure = " CRC: NOK";
        break;
    }
    InfoDialogAdd("> " + module.SerialText + failure);
    ++BadRxCount;
}

} // namespace orvane
