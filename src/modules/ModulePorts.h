#pragma once

#include <QByteArray>

namespace orvane {

class TOV_MOD_Object;

// The configuration grid with its caption label and its sixteen "Trace" check
// boxes, as a module object fills and reads it. Columns 1..8 are In/Output,
// Name, Gain, Offset, Unit, Digits, Alarm High, Alarm Low; rows 1..10.
class ConfigView
{
public:
    virtual ~ConfigView() = default;
    // The grid is filled with `module`'s configuration from now on: called by
    // ShowConfiguration before the cells, so the grid knows whose texts it
    // holds when they are read back.
    virtual void showsModule(const TOV_MOD_Object *module) = 0;
    virtual void setCaption(const QByteArray &text) = 0;
    virtual void setCell(int column, int row, const QByteArray &text) = 0;
    virtual QByteArray cell(int column, int row) const = 0;
    // Check box i (1..16) of grid row i.
    virtual void setTraceBox(int index, bool visible, bool checked) = 0;
    virtual void repaint() = 0;
};

// Where a newly raised alarm is reported: a line in the alarm memo and the
// four labels of the stay-on-top warning window, which is made visible.
class AlarmOutput
{
public:
    virtual ~AlarmOutput() = default;
    virtual void appendAlarmLine(const QByteArray &line) = 0;
    virtual void showWarning(const QByteArray &timeText, const QByteArray &moduleText,
        const QByteArray &signalText, const QByteArray &limitsText)
        = 0;
};

} // namespace orvane
