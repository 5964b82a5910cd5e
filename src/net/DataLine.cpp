#include "DataLine.h"

#include "modules/NumberText.h"
#include "modules/OVModObjectUnit.h"

#include <algorithm>

namespace orvane {

QByteArray buildDataLine(const std::array<const TOV_MOD_Object *, 4> &modules)
{
    QByteArray line("Data : ");
    for (const TOV_MOD_Object *module : modules) {
        if (!module || !module->Present)
            continue;
        line += '#';
        line += module->SerialText;
        line += ',';
        // The count is written by the scan and the settings code; never let it
        // index past the signal arrays.
        const int count = std::clamp<int>(module->SignalCount, 0, kMaxSignals);
        for (int i = 1; i <= count; ++i) {
            line += ',';
            line += formatFixed(module->Samples[i].Current, 3);
            line += ',';
            line += module->Signals[i].Unit;
        }
    }
    return line;
}

} // namespace orvane
