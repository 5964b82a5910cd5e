#pragma once

#include "app/DriverSelection.h"
#include "app/OrvaneSession.h"

#include <QString>
#include <QStringList>

namespace orvane {

// Everything a run is told: the command line over the configuration file.
struct ProgramOptions
{
    bool headless = false;
    DriverOptions driver;
    OrvaneSession::Options session;
    QString configFile; // the file read; empty when there was none
    bool notifyTest = false; // --notify-test: send a test notification and exit
};

// The configuration file a run reads when --config names none: the user's
// for a window run, the system's for a headless (service) run; empty when
// that file does not exist.
QString defaultConfigFile(bool headless);

// Reads the command line `arguments` (the program name first) and the
// configuration file, the command line winning. --help and --version print
// and exit the process. False, with one line naming the problem (for a bad
// configuration file: the file, the key and the problem) in *error.
bool readProgramOptions(const QStringList &arguments, ProgramOptions *options, QString *error);

} // namespace orvane
