#pragma once

#include <QByteArray>
#include <QDateTime>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace orvane {

class OperatorMessages;
class PlotModel;
class TOV_MOD_Object;

inline constexpr int kTraceSlots = 6;

// One trace of the trace window: signal `signal` (1..16) of module slot
// `module` (1..4); both 0 while the slot is free.
struct TraceSlot
{
    qint32 module = 0;
    qint32 signal = 0;
};

// The trace window without its widgets: which signal each of the six traces
// shows, the captions that name them, and the feed of one point per trace
// and polling cycle into the plot's store. Slot i is trace i of the plot.
// Arrays are indexed from 1 like the slots and modules; element 0 is unused.
class TraceSlotTable
{
public:
    // `plot` receives the points; `messages` shows the box when all six
    // slots are taken (may be null).
    TraceSlotTable(PlotModel *plot, OperatorMessages *messages);

    std::array<TraceSlot, kTraceSlots + 1> TraceSlots {};
    qint32 RefreshCount = 0; // X value of the newest points
    // The captions of the twelve labels; until the first update they hold
    // the texts the window is built with.
    std::array<QByteArray, kTraceSlots + 1> SignalLabels;
    std::array<QByteArray, kTraceSlots + 1> ModuleLabels;

    void setOperatorMessages(OperatorMessages *messages) { m_messages = messages; }
    void FormCreate() { RefreshCount = 0; }
    // The four module records (slot 1..4); the table never owns them.
    void SetModules(const std::array<TOV_MOD_Object *, 4> &modules);
    // True when (module, signal) is on a slot afterwards; false, after the
    // "Tracing Error" box, when all six slots are taken. A module outside
    // 1..4 or a signal outside 1..16 takes no slot (false, no box).
    bool AddTrace(int module, int signal);
    void RemoveTrace(int module, int signal);
    void RemoveModuleTraces(int module);
    // Rewrites the captions from the slots; returns a bit (1 << i) for each
    // slot i whose captions changed.
    int UpdateTraceLabels();
    // The bits of every caption change since the last call.
    int takeChangedLabels() { return std::exchange(m_changedLabels, 0); }
    // One point per slot at X = the new RefreshCount (two for a module whose
    // reply came after a miss), the time axis moved on by a fifth when the
    // newest point passed its right edge, then the captions. While the
    // operator is zoomed in, only the full view moves on and the zoomed view
    // stays put. Returns the changed captions as UpdateTraceLabels does.
    int RefreshTraces();

    // Wall-clock time (ms since the epoch) of refresh `count`, while it is
    // among the last refreshes the plot's store can hold.
    std::optional<qint64> refreshTime(double count) const;
    // The module and signal record a slot shows, or null.
    const TOV_MOD_Object *slotModule(int slot) const { return moduleOf(TraceSlots[slot]); }
    const PlotModel &plot() const { return *m_plot; }

    // Local date and time of a refresh; the system clock when empty.
    std::function<QDateTime()> Clock;

    static constexpr const char *NoSignalText = "< no signal >";
    static constexpr const char *NoModuleText = "< no module >";
    static constexpr const char *NoModuleBuildText = "<no module>";

private:
    // The module record a slot reads, or null for a free slot, a number out
    // of range or a module never handed over.
    const TOV_MOD_Object *moduleOf(const TraceSlot &slot) const;

    void noteRefreshTime();

    PlotModel *m_plot;
    OperatorMessages *m_messages;
    // Time of refresh c at [c % size], beside the count it belongs to; as
    // many as the store has points, so every stored point finds its time.
    struct RefreshStamp
    {
        qint32 count = 0;
        qint64 msecs = 0;
    };
    std::vector<RefreshStamp> m_refreshTimes;
    std::array<TOV_MOD_Object *, 5> m_modules {};
    int m_changedLabels = 0;
};

} // namespace orvane
