#include "DataLine.h"

#include "modules/NumberText.h"

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

QByteArray buildDataLine(const ModuleSnapshot &snapshot)
{
    QByteArray line("Data : ");
    for (const SlotSnapshot &module : snapshot.modules) {
        if (!module.present)
            continue;
        line += '#';
        appendVisible(line, module.serial);
        line += ',';
        for (const SignalSnapshot &signal : module.signalList) {
            line += ',';
            line += formatFixed(signal.value, 3);
            line += ',';
            appendVisible(line, signal.unit);
        }
    }
    return line;
}

} // namespace orvane
