#include "Scenario.h"

#include <QFile>

namespace orvane {

ScenarioDevice defaultInterfaceDevice()
{
    return { "OVI00001", "Orvane Interface", 0x1221, true };
}

RawRange scenarioRawRange(int type, int index)
{
    if (type == 2 && index == 0)
        return { 0, 65535 }; // battery, 16-bit
    if (type == 2 && index == 1)
        return { -1024, 64511 }; // temperature: 16-bit field minus 1024
    return { 0, 1023 }; // 10-bit inputs
}

Scenario builtInScenario()
{
    Scenario scenario;
    scenario.seed = 7;

    ScenarioModule type1;
    type1.band = 0;
    type1.type = 1;
    type1.serial = "0x1004A2";
    type1.raw = { 512, 300, 700, 150, 900 };
    type1.wave = SimWave::Sine;

    ScenarioModule type2;
    type2.band = 2;
    type2.type = 2;
    type2.serial = "0x2000B7";
    type2.raw = { 819, 43, 512, 256, 100 };
    type2.wave = SimWave::Walk;

    scenario.modules = { type1, type2 };
    return scenario;
}

bool loadScenario(const QString &path, Scenario &out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: cannot open: %2").arg(path, file.errorString());
        return false;
    }
    // Reads one byte more than allowed to tell a full file from a larger one
    // without trusting size() (pipes and devices have none).
    const QByteArray json = file.read(kMaxScenarioFileBytes + 1);
    if (json.size() > kMaxScenarioFileBytes) {
        if (error)
            *error = QStringLiteral("%1: larger than 1 MiB").arg(path);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("%1: cannot read: %2").arg(path, file.errorString());
        return false;
    }
    return parseScenario(json, path, out, error);
}

} // namespace orvane
