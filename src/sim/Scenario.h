#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace orvane {

// How a module's raw values move with simulated time.
enum class SimWave { Constant, Sine, Walk };

// One USB device the simulated driver lists.
struct ScenarioDevice
{
    QByteArray serial; // at most 15 bytes (the device-info record's field)
    QByteArray description; // at most 63 bytes
    DWORD location = 0; // 1 .. 0x7FFFFFFF, unique
    bool isInterface = false; // the one device that answers
};

// One radio module on a scan band.
struct ScenarioModule
{
    int band = 0; // 0..3
    int type = 1; // digit 0..9; only types 1 and 2 answer polls
    QByteArray serial; // text of the scan answer after ", "
    QByteArray answer; // whole scan answer; empty: "Orvane Module, " + serial
    // Type 1: signals 1..5 (0..1023). Type 2: battery (0..65535), temperature
    // as decoded (-1024..64511), signals 4..6 (0..1023).
    std::array<int, 5> raw {};
    SimWave wave = SimWave::Constant;
    double amplitude = -1; // raw counts the wave swings; < 0: chosen from the value
    qint64 periodMs = 20000; // of the sine wave
    // Per poll answer; unset: the scenario's top-level rate.
    std::optional<double> lossRate;
    std::optional<double> corruptRate;
    std::optional<double> truncateRate;
};

// The device listed when a scenario names none.
ScenarioDevice defaultInterfaceDevice();

// A simulated network: devices on the USB side, modules on the radio side,
// timing and faults. Defaults are those of a scenario file that sets nothing.
struct Scenario
{
    quint64 seed = 1;
    qint64 latencyMs = 40; // from a request written to its answer being readable
    QByteArray identity = "ORVANE INTERFACE V2.0";
    std::vector<ScenarioDevice> devices { defaultInterfaceDevice() };
    std::vector<ScenarioModule> modules;
    double lossRate = 0;
    double corruptRate = 0;
    double truncateRate = 0;
    qint64 unplugAfterMs = 0; // 0: never
    // The interface is attached again (0: never; after unplugAfterMs). It is
    // a new attachment: handles opened before the unplug stay dead. It comes
    // back with replugSerial and at replugLocation when those are set (a
    // different box, or the same one on another USB port).
    qint64 replugAfterMs = 0;
    QByteArray replugSerial; // empty: the same serial number
    DWORD replugLocation = 0; // 0: the same location
};

// Bounds that keep a hostile scenario file from exhausting memory.
inline constexpr qint64 kMaxScenarioFileBytes = 1024 * 1024;
inline constexpr int kMaxScenarioDevices = 16;
inline constexpr int kMaxModuleSerialLength = 64;
// Identity and scan answers fit one 256-byte read of the link.
inline constexpr int kMaxAnswerLength = 250;
inline constexpr qint64 kMaxLatencyMs = 60000;

// Valid range of raw value `index` (0..4) of a module of `type`.
struct RawRange
{
    int min;
    int max;
};
RawRange scenarioRawRange(int type, int index);

// The demonstration network of --simulate: a type-1 module on band 0 and a
// type-2 module on band 2, both with moving values, no faults.
Scenario builtInScenario();

// Reads a scenario from JSON text. On failure returns false and *error holds
// one line: the file name, where in the file, and what is wrong, e.g.
// "net.json: modules[1].raw must hold 5 numbers". `out` is untouched then.
bool parseScenario(
    const QByteArray &json, const QString &fileNameForMessages, Scenario &out, QString *error);
// The same from a file (at most kMaxScenarioFileBytes).
bool loadScenario(const QString &path, Scenario &out, QString *error);

} // namespace orvane
