#include "DataLine.h"

#include "modules/NumberText.h"
#include "modules/OVModObjectUnit.h"

#include <algorithm>

namespace orvane {

namespace {
// Text from the radio (serial numbers) or a settings file (units) goes into
// the line as it is, except bytes that would break the line for every client:
// control bytes (a CR LF would end it early) and DEL.
void appendVisible(QByteArray &line, const QByteArray &text)
{
    const qsizetype from = line.size();
    line += text;
    for (qsizetype i = from; i < line.size(); ++i) {
        const auto c = uchar(line.at(i));
        if (c < 0x20 || c == 0x7F)
            line[i] = '?';
    }
}
} // namespace

QByteArray buildDataLine(const std::array<const TOV_MOD_Object *, 4> &modules)
{
    QByteArray line("Data : ");
    for (const TOV_MOD_Object *module : modules) {
        if (!module || !module->Present)
            continue;
        line += '#';
        appendVisible(line, module->SerialText);
        line += ',';
        // The count is written by the scan and the settings code; never let it
        // index past the signal arrays.
        const int count = std::clamp<int>(module->SignalCount, 0, kMaxSignals);
        for (int i = 1; i <= count; ++i) {
            line += ',';
            line += formatFixed(module->Samples[i].Current, 3);
            line += ',';
            appendVisible(line, module->Signals[i].Unit);
        }
    }
    return line;
}

} // namespace orvane
