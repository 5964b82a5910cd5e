#pragma once

#include "acquisition/AcquisitionControl.h"
#include "acquisition/AcquisitionPorts.h"
#include "common/EventLog.h"
#include "common/NavigationTree.h"
#include "common/OperatorMessages.h"

#include <QByteArrayList>

#include <array>

namespace orvane {

// Event-log memo that keeps its lines and every line ever appended.
class FakeLogMemo : public LogMemo
{
public:
    int lineCount() const override { return int(lines.size()); }
    void clear() override { lines.clear(); }
    void appendLine(const QByteArray &line) override
    {
        lines.append(line);
        history.append(line);
    }
    QByteArrayList lines;
    QByteArrayList history;
};

class FakeOperatorMessages : public OperatorMessages
{
public:
    void showError(const QByteArray &text) override { errors.append(text); }
    void showWarning(const QByteArray &caption, const QByteArray &text) override
    {
        warnings.append(caption + '|' + text);
    }
    QByteArrayList errors;
    QByteArrayList warnings;
};

class FakeAcquisitionView : public AcquisitionView
{
public:
    void showCyclicButtons(bool running) override { cycleRunning = running; }
    void SetPanelsVisible(int panel) override { visiblePanel = panel; }
    void setOviLabel(const QByteArray &text) override { oviLabel = text; }
    void setModuleLabel(int slot, const QByteArray &text) override { moduleLabels[slot] = text; }
    void UpdateTxRxPanel(qint32, qint32, qint32, const std::array<qint32, 4> &) override
    {
        ++txRxUpdates;
    }
    void UpdateDigoutPanel_LEDS() override { }
    void UpdateSettingsPanel() override { ++settingsUpdates; }

    bool cycleRunning = false;
    int visiblePanel = 0;
    QByteArray oviLabel;
    std::array<QByteArray, 5> moduleLabels { "", "-", "-", "-", "-" };
    int txRxUpdates = 0, settingsUpdates = 0;
};

class FakeTraceView : public TraceView
{
public:
    void SetModules(const std::array<TOV_MOD_Object *, 4> &) override { }
    void RefreshTraces() override { ++refreshes; }
    void RemoveModuleTraces(int slot) override { removed.append(slot); }
    int refreshes = 0;
    QList<int> removed;
};

// The recording ports an acquisition is built with, in one place.
struct FakePortSet
{
    FakeLogMemo memo;
    FakeOperatorMessages messages;
    FakeAcquisitionView view;
    FakeTraceView trace;
    NavigationTree tree;

    AcquisitionControl::Ports ports()
    {
        AcquisitionControl::Ports p;
        p.eventLog = &memo;
        p.messages = &messages;
        p.tree = &tree;
        p.view = &view;
        p.trace = &trace;
        return p;
    }
};

} // namespace orvane
