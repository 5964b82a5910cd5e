#include "FakeConfigView.h"

namespace orvane {

void FakeConfigView::setCell(int column, int row, const QByteArray &text)
{
    cells[{ column, row }] = text;
}

QByteArray FakeConfigView::cell(int column, int row) const
{
    return cells.value({ column, row });
}

void FakeConfigView::setTraceBox(int index, bool visible, bool checked)
{
    if (index >= 1 && index <= 16)
        boxes[index] = { visible, checked };
}

} // namespace orvane
