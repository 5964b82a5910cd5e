#pragma once

#include "modules/ModulePorts.h"

#include <QMap>
#include <QPair>

namespace orvane {

// Records what a module object writes into the configuration grid; a test
// types into cells with setCell() before a read-back.
class FakeConfigView : public ConfigView
{
public:
    struct TraceBox
    {
        bool visible = false;
        bool checked = false;
    };
    void showsModule(const TOV_MOD_Object *) override { }
    void setCaption(const QByteArray &text) override { caption = text; }
    void setCell(int column, int row, const QByteArray &text) override
    {
        cells[{ column, row }] = text;
    }
    QByteArray cell(int column, int row) const override { return cells.value({ column, row }); }
    void setTraceBox(int index, bool visible, bool checked) override
    {
        if (index >= 1 && index <= 16)
            boxes[index] = { visible, checked };
    }
    void repaint() override { ++repaints; }

    QByteArray caption;
    QMap<QPair<int, int>, QByteArray> cells; // (column, row) -> text
    TraceBox boxes[17]; // 1..16
    int repaints = 0;
};

} // namespace orvane
