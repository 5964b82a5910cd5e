#pragma once

#include <QByteArray>
#include <QMetaType>

#include <array>
#include <memory>
#include <vector>

namespace orvane {

class TOV_MOD_Object;

// How the radio link of a module stands at the end of a polling cycle.
enum class ModuleLink {
    Ok, // the reply of this cycle arrived and the one before it too
    Gap, // a reply was missed; the next one fills the gap with its older sample
    Lost, // LostAfterMissed replies missed in a row: the module does not answer
};
inline constexpr int LostAfterMissed = 10;
const char *moduleLinkText(ModuleLink link); // "ok", "gap", "lost"

struct SignalSnapshot
{
    int index = 0; // signal number, 1..16
    QByteArray name;
    QByteArray unit;
    double value = 0.0; // the converted value of the latest sample
    int digits = 3;
    bool alarm = false; // the alarm latch is set
    double alarmHigh = 0.0;
    double alarmLow = 0.0;
};

struct SlotSnapshot
{
    bool present = false;
    QByteArray serial; // the module's serial number text, e.g. "0x1004A2"
    int type = 0;
    ModuleLink link = ModuleLink::Ok;
    int missedInRow = 0; // replies missed since the last good one
    int lostReplies = 0; // the statistics panel's count
    int output1 = 0; // output states as last decided (0 off, 1 on)
    int output2 = 0;
    int outputMode1 = 0; // the outputs' modes: 0 off, 1 on, 2 by the rule
    int outputMode2 = 0;
    std::vector<SignalSnapshot> signalList; // the signals in use, in order
};

// The values of all four slots at one moment, copied out of the module
// objects on the main thread so that other threads (the data service, the
// publishers) never read a module object. Immutable once made and shared.
struct ModuleSnapshot
{
    qint64 timeMs = 0; // UTC, milliseconds since the epoch
    quint64 cycle = 0; // completed polling cycles so far (0 before the first)
    QByteArray interfaceSerial; // USB serial number of the connected interface
    bool interfaceConnected = false;
    std::array<SlotSnapshot, 4> modules; // slots 1..4
    // The link statistics panel's counters.
    qint32 txCount = 0;
    qint32 rxCount = 0;
    qint32 badRxCount = 0;
};
using SnapshotPtr = std::shared_ptr<const ModuleSnapshot>;

// The modules' part of a snapshot; null entries are absent modules.
void fillSlots(ModuleSnapshot &snapshot, const std::array<const TOV_MOD_Object *, 4> &modules);
ModuleSnapshot snapshotOf(const std::array<const TOV_MOD_Object *, 4> &modules);

// Something the plant around the program wants to hear about at once.
struct PlantEvent
{
    enum class Kind {
        AlarmRaised, // a signal's alarm latch went from 0 to 1
        AlarmCleared, // and from 1 back to 0
        ModuleLost, // LostAfterMissed replies missed in a row
        ModuleBack, // a good reply after that
        InterfaceLost, // polling stopped because the interface failed
        InterfaceBack, // the interface is connected again
        Test, // sent on request, to check the set-up
    };
    Kind kind = Kind::AlarmRaised;
    qint64 timeMs = 0; // UTC, milliseconds since the epoch
    QByteArray interfaceSerial;
    // The module and signal, where the event concerns one.
    int slot = 0;
    QByteArray module;
    int index = 0;
    QByteArray name;
    QByteArray unit;
    double value = 0.0;
    double alarmHigh = 0.0;
    double alarmLow = 0.0;
    int digits = 3;
    // One line for people: the alarm line as the alarm memo shows it, or the
    // event-log line of an interface or module event.
    QByteArray text;
};
// "raised", "cleared", "module-lost", "module-back", "interface-lost",
// "interface-back", "test".
const char *plantEventName(PlantEvent::Kind kind);

} // namespace orvane

Q_DECLARE_METATYPE(orvane::SnapshotPtr)
Q_DECLARE_METATYPE(orvane::PlantEvent)
