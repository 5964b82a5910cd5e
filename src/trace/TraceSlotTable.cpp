#include "TraceSlotTable.h"

#include "PlotModel.h"
#include "common/OperatorMessages.h"
#include "modules/OVModObjectUnit.h"

#include <cmath>
#include <limits>

namespace orvane {

TraceSlotTable::TraceSlotTable(PlotModel *plot, OperatorMessages *messages)
    : m_plot(plot)
    , m_messages(messages)
{
    for (int i = 1; i <= kTraceSlots; ++i) {
        SignalLabels[i] = NoSignalText;
        ModuleLabels[i] = NoModuleBuildText;
    }
}

void TraceSlotTable::SetModules(const std::array<TOV_MOD_Object *, 4> &modules)
{
    for (int m = 1; m <= 4; ++m)
        m_modules[m] = modules[m - 1];
}

const TOV_MOD_Object *TraceSlotTable::moduleOf(const TraceSlot &slot) const
{
    if (slot.module < 1 || slot.module > 4 || slot.signal < 1 || slot.signal > kMaxSignals)
        return nullptr;
    return m_modules[slot.module];
}

bool TraceSlotTable::AddTrace(int module, int signal)
{
    if (module < 1 || module > 4 || signal < 1 || signal > kMaxSignals)
        return false;
    int free = 0;
    for (int i = kTraceSlots; i >= 1; --i) {
        if (TraceSlots[i].module == module && TraceSlots[i].signal == signal)
            return true;
        if (TraceSlots[i].module == 0)
            free = i;
    }
    if (free == 0) {
        if (m_messages)
            m_messages->showWarning("Tracing Error", "Error adding signal. No more free traces.");
        return false;
    }
    TraceSlots[free] = { module, signal };
    UpdateTraceLabels();
    return true;
}

void TraceSlotTable::RemoveTrace(int module, int signal)
{
    for (int i = 1; i <= kTraceSlots; ++i) {
        if (TraceSlots[i].module == module && TraceSlots[i].signal == signal)
            TraceSlots[i] = {};
    }
    UpdateTraceLabels();
}

void TraceSlotTable::RemoveModuleTraces(int module)
{
    for (int i = 1; i <= kTraceSlots; ++i) {
        if (TraceSlots[i].module == module)
            TraceSlots[i] = {};
    }
    UpdateTraceLabels();
}

int TraceSlotTable::UpdateTraceLabels()
{
    static const QByteArray noSignal(NoSignalText);
    static const QByteArray noModule(NoModuleText);
    int changed = 0;
    for (int i = 1; i <= kTraceSlots; ++i) {
        const QByteArray *signalText = &noSignal;
        const QByteArray *moduleText = &noModule;
        if (const TOV_MOD_Object *module = moduleOf(TraceSlots[i])) {
            signalText = &module->Signals[TraceSlots[i].signal].Name;
            moduleText = &module->SerialText;
        }
        // Comparing first keeps the widgets from being told about captions
        // that stayed the same.
        if (SignalLabels[i] != *signalText || ModuleLabels[i] != *moduleText) {
            SignalLabels[i] = *signalText;
            ModuleLabels[i] = *moduleText;
            changed |= 1 << i;
        }
    }
    m_changedLabels |= changed;
    return changed;
}

int TraceSlotTable::RefreshTraces()
{
    // The counter only grows; at its end (after decades of cycles) it stays.
    if (RefreshCount < std::numeric_limits<qint32>::max())
        ++RefreshCount;
    const double c = RefreshCount;
    noteRefreshTime();
    for (int i = 1; i <= kTraceSlots; ++i) {
        const TOV_MOD_Object *module = moduleOf(TraceSlots[i]);
        if (!module) {
            m_plot->addPoint(i, c, 0.0);
            continue;
        }
        const TSignalSample &sample = module->Samples[TraceSlots[i].signal];
        switch (module->LinkState) {
        case 2: // first reply after a miss: fill in the missed cycle
            m_plot->addPoint(i, c - 1, sample.Previous);
            m_plot->addPoint(i, c, sample.Current);
            break;
        case 1: // missed reply: hold the last value received
            m_plot->addPoint(i, c, sample.Previous);
            break;
        default:
            m_plot->addPoint(i, c, sample.Current);
            break;
        }
    }
    // The axis scrolls with the full view. A view the operator zoomed into
    // stays where it was put (it would otherwise run away with the data);
    // a right-click then returns to the full view as it is now.
    if (m_plot->zoomed()) {
        const PlotScales &full = m_plot->fullView();
        if (c > full.XScaleOrigin + full.XScaleSpan)
            m_plot->setFullViewXScaleOrigin(full.XScaleOrigin + 0.2 * full.XScaleSpan);
    } else {
        const PlotScales &view = m_plot->current();
        if (c > view.XScaleOrigin + view.XScaleSpan)
            m_plot->setXScaleOrigin(view.XScaleOrigin + 0.2 * view.XScaleSpan);
    }
    return UpdateTraceLabels();
}

void TraceSlotTable::noteRefreshTime()
{
    const std::size_t size = std::size_t(m_plot->pointCount());
    if (m_refreshTimes.size() != size)
        m_refreshTimes.assign(size, RefreshStamp {});
    const QDateTime now = Clock ? Clock() : QDateTime::currentDateTime();
    m_refreshTimes[std::size_t(RefreshCount) % size] = { RefreshCount, now.toMSecsSinceEpoch() };
}

std::optional<qint64> TraceSlotTable::refreshTime(double count) const
{
    if (m_refreshTimes.empty() || !(count >= 1.0) || count > RefreshCount
        || count != std::floor(count))
        return std::nullopt;
    const qint32 c = qint32(count);
    const RefreshStamp &stamp = m_refreshTimes[std::size_t(c) % m_refreshTimes.size()];
    if (stamp.count != c)
        return std::nullopt;
    return stamp.msecs;
}

} // namespace orvane
