#pragma once

#include "widgets/Paneles.h"

class QLabel;

namespace orvane {

// Panel 5: the two digital outputs of the selected module.
class TDigoutPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TDigoutPanel(QWidget *parent = nullptr);

    QLabel *DigoutPanelLabel = nullptr; // heading

    // Lights the output LEDs from the selected module's output states.
    void UpdateDigoutPanel_LEDS() { }
};

} // namespace orvane
