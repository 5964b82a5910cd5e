// What the operator's panels change in a module, announced the same way as a
// polling cycle's results: the tree and the data line follow at once.
#include "AcquisitionControl.h"

#include "common/Text1252.h"

namespace orvane {

namespace {
bool isSlot(int slot)
{
    return slot >= 1 && slot <= 4;
}
} // namespace

void AcquisitionControl::moduleEdited(int slot)
{
    if (!isSlot(slot))
        return;
    // Module nodes come from detection and the polling cycle only: an edit
    // rewrites the nodes of a module that is in the tree and never adds any
    // (a rescan that lost the interface keeps the modules present but
    // leaves them out of the tree).
    TOV_MOD_Object &module = *ModObject[slot];
    if (module.Present && !m_scanning && module.FindModuleNode(m_ports.tree))
        module.UpdateTreeNodes(m_ports.tree);
    Q_EMIT modulesChanged();
}

bool AcquisitionControl::setOutputMode(int slot, int output, int mode)
{
    if (!isSlot(slot) || output < 1 || output > 2 || mode < 0 || mode > 2)
        return false;
    TOV_MOD_Object &module = *ModObject[slot];
    const int signal = output == 1 ? module.Output1Signal() : module.Output2Signal();
    module.Signals[size_t(signal)].OutputMode = mode;
    if (module.ModuleType == 2) {
        module.Signals[size_t(module.Output1Signal())].RuleAction = 0;
        module.Signals[size_t(module.Output2Signal())].RuleAction = 0;
    }
    moduleEdited(slot);
    Q_EMIT outputModeSet(slot);
    return true;
}

void AcquisitionControl::readBackConfiguration(int slot)
{
    if (!isSlot(slot))
        return;
    ModObject[slot]->ReadConfiguration();
    saveModuleSettings(slot);
    moduleEdited(slot);
}

bool AcquisitionControl::saveModuleSettings(int slot)
{
    if (!isSlot(slot))
        return false;
    const TOV_MOD_Object &module = *ModObject[slot];
    QString why;
    if (module.SaveSettings(&why))
        return true;
    InfoDialogAdd("Settings file " + module.SettingsFileName()
        + " could not be saved: " + toWindows1252(why));
    return false;
}

void AcquisitionControl::setModuleLogging(int slot, bool on)
{
    if (!isSlot(slot))
        return;
    TOV_MOD_Object &module = *ModObject[slot];
    QString why;
    if (!module.SetLogging(on, &why)) {
        InfoDialogAdd(
            "Log file " + module.LogFileName + " could not be created: " + toWindows1252(why));
    }
}

} // namespace orvane
