#pragma once

#include "modules/ModulePorts.h"

#include <QByteArray>
#include <QMap>
#include <QPair>

namespace orvane {

// Records what a module object writes into the configuration grid, and lets a
// test type into cells before a read-back.
class FakeConfigView : public ConfigView
{
public:
    struct TraceBox
    {
        bool visible = false;
        bool checked = false;
    };

    void setCaption(const QByteArray &text) override { caption = text; }
    void setCell(int column, int row, const QByteArray &text) override;
    QByteArray cell(int column, int row) const override;
    void setTraceBox(int index, bool visible, bool checked) override;
    void repaint() override { ++repaints; }

    QByteArray caption;
    QMap<QPair<int, int>, QByteArray> cells; // (column, row) -> text
    TraceBox boxes[17];                      // 1..16
    int repaints = 0;
};

} // namespace orvane
