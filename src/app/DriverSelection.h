#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QString>

#include <memory>

namespace orvane {

// What the command line asks of the device layer.
struct DriverOptions
{
    QString driver = QStringLiteral("auto"); // "auto", "d2xx" or "libftdi"
    bool simulate = false; // the built-in demonstration network
    QString scenarioFile; // a simulated network from a file
};

struct DriverSelection
{
    std::unique_ptr<D2xxDriver> driver;
    // Non-empty: one line for the console; the program exits with status 1.
    QString error;
};

// Picks the backend. A scenario file or --simulate gives the simulator.
// "auto" takes the vendor library on Windows and libftdi1 elsewhere, then
// the other one, then NullDriver (no device). "d2xx" and "libftdi" take that
// backend, or NullDriver with the reason when it cannot be used. The choice
// and the reasons go to the console log ("orvane.device"). An unknown driver
// name or an unusable scenario file is an error.
DriverSelection selectDriver(const DriverOptions &options);

// Whether this build has the libftdi1 backend.
bool haveLibftdiBackend();

} // namespace orvane
