#pragma once

#include <QIcon>
#include <QList>

namespace orvane {

// The program's pictures, drawn rather than loaded so the build needs no
// image files: the eight navigation-tree images (0 system, 1 interface,
// 2 module, 3 input signal, 4 output signal, 5 and 6 spare, 7 interface not
// found) and the faces of the main window's buttons.
QList<QIcon> treeImages();

enum class ButtonFace {
    Scan,
    CycleRunning, // green
    CycleStopped, // red
    EventLog,
    Statistics,
    Settings,
    Outputs,
    DataLogging,
    Trace,
    Alarms,
};
QIcon buttonIcon(ButtonFace face);

} // namespace orvane
