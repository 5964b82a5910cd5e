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
    void showsModule(const TOV_MOD_Object *) override { }
    void setCaption(const QByteArray &) override { }
    void setCell(int column, int row, const QByteArray &text) override
    {
        cells[{ column, row }] = text;
    }
    QByteArray cell(int column, int row) const override { return cells.value({ column, row }); }
    void setTraceBox(int, bool, bool) override { }
    void repaint() override { }

    QMap<QPair<int, int>, QByteArray> cells; // (column, row) -> text
};

} // namespace orvane
