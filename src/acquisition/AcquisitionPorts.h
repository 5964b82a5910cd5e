#pragma once

#include <QByteArray>

#include <array>

namespace orvane {

class TOV_MOD_Object;

// What the acquisition shows in the main window besides the event log and the
// tree: the cyclic-update button faces, the panel switch, the link statistics
// and the panels that follow the selected module. Slots are 1..4.
class AcquisitionView
{
public:
    virtual ~AcquisitionView() = default;
    // Green face visible (cycle running) or red face visible (stopped).
    virtual void showCyclicButtons(bool running) = 0;
    virtual void SetPanelsVisible(int panel) = 0;
    virtual void setOviLabel(const QByteArray &text) = 0;
    virtual void setModuleLabel(int slot, const QByteArray &text) = 0;
    virtual void UpdateTxRxPanel(
        qint32 tx, qint32 rx, qint32 badRx, const std::array<qint32, 4> &lostReplies)
        = 0;
    virtual void UpdateDigoutPanel_LEDS() = 0;
    virtual void UpdateSettingsPanel() = 0;
};

// The trace window as the acquisition drives it.
class TraceView
{
public:
    virtual ~TraceView() = default;
    virtual void SetModules(const std::array<TOV_MOD_Object *, 4> &modules) = 0;
    virtual void RefreshTraces() = 0;
    virtual void RemoveModuleTraces(int slot) = 0;
};

} // namespace orvane
