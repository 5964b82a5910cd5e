#include "DataLoggingPanel.h"

#include "PanelKit.h"

#include <QLabel>

namespace orvane {

TDataLoggingPanel::TDataLoggingPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("DataLoggingPanel"));
    for (int row = 1; row <= 4; ++row) {
        const QByteArray name = "DataLoggingLabel" + QByteArray::number(row);
        DataLoggingLabel[row] = headingLabel(this, QStringLiteral("Data logging for module:"),
            name.constData(), QRect(10, 8 + 88 * (row - 1), 455, 21));
    }
}

} // namespace orvane
