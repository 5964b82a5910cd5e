#include "ModuleSnapshot.h"

#include "OVModObjectUnit.h"

#include <algorithm>

namespace orvane {

const char *moduleLinkText(ModuleLink link)
{
    switch (link) {
    case ModuleLink::Ok:
        return "ok";
    case ModuleLink::Gap:
        return "gap";
    case ModuleLink::Lost:
        return "lost";
    }
    return "ok";
}

const char *plantEventName(PlantEvent::Kind kind)
{
    switch (kind) {
    case PlantEvent::Kind::AlarmRaised:
        return "raised";
    case PlantEvent::Kind::AlarmCleared:
        return "cleared";
    case PlantEvent::Kind::ModuleLost:
        return "module-lost";
    case PlantEvent::Kind::ModuleBack:
        return "module-back";
    case PlantEvent::Kind::InterfaceLost:
        return "interface-lost";
    case PlantEvent::Kind::InterfaceBack:
        return "interface-back";
    case PlantEvent::Kind::Test:
        return "test";
    }
    return "test";
}

void fillSlots(ModuleSnapshot &snapshot, const std::array<const TOV_MOD_Object *, 4> &modules)
{
    for (size_t k = 0; k < modules.size(); ++k) {
        const TOV_MOD_Object *module = modules[k];
        SlotSnapshot &slot = snapshot.modules[k];
        slot = SlotSnapshot();
        if (!module || !module->Present)
            continue;
        slot.present = true;
        slot.serial = module->SerialText;
        slot.type = module->ModuleType;
        slot.link = module->LinkState == 0 ? ModuleLink::Ok : ModuleLink::Gap;
        slot.lostReplies = module->LostReplies;
        slot.output1 = module->OutputState1;
        slot.output2 = module->OutputState2;
        slot.outputMode1 = module->Signals[size_t(module->Output1Signal())].OutputMode;
        slot.outputMode2 = module->Signals[size_t(module->Output2Signal())].OutputMode;
        // The count is written by the scan and the settings code; never let it
        // index past the signal arrays.
        const int count = std::clamp<int>(module->SignalCount, 0, kMaxSignals);
        slot.signalList.resize(size_t(count));
        for (int i = 1; i <= count; ++i) {
            const TSignalRecord &record = module->Signals[i];
            SignalSnapshot &s = slot.signalList[size_t(i - 1)];
            s.index = i;
            s.name = record.Name;
            s.unit = record.Unit;
            s.value = module->Samples[i].Current;
            s.digits = record.Digits;
            s.alarm = module->AlarmActive[i] != 0;
            s.alarmHigh = record.AlarmHigh;
            s.alarmLow = record.AlarmLow;
        }
    }
}

ModuleSnapshot snapshotOf(const std::array<const TOV_MOD_Object *, 4> &modules)
{
    ModuleSnapshot snapshot;
    fillSlots(snapshot, modules);
    return snapshot;
}

} // namespace orvane
