#include "DigoutPanel.h"

#include "PanelKit.h"

#include <QLabel>

namespace orvane {

TDigoutPanel::TDigoutPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("DigoutPanel"));
    DigoutPanelLabel = headingLabel(this, QStringLiteral("Digital outputs for module:"),
        "DigoutPanelLabel", QRect(10, 8, 439, 21));
}

} // namespace orvane
