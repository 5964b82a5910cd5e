#pragma once

#include <QIcon>
#include <QImage>
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
    ClearList, // small: the alarm panel's "&Clear"
    Save, // small: the outputs panel's "Save"
};
QIcon buttonIcon(ButtonFace face);

// The menu image list: 16 x 16 images, index 3 the About item's (an "i"),
// index 6 the Exit item's (an open door), index 8 the item that opens a
// measurement log (a page with a trace); the others are blank.
QList<QIcon> menuImages();

// The program's own icon (a radio base station sending to the field, on a
// blue tile), drawn at `size` x `size` pixels. programIcon() holds the
// freedesktop sizes for the window and the task bar.
QImage programIconImage(int size);
QIcon programIcon();

} // namespace orvane
