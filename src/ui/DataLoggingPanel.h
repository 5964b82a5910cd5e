#pragma once

#include "widgets/Paneles.h"

#include <array>

class QLabel;

namespace orvane {

// Panel 3: measurement logging switched per present module, four rows.
class TDataLoggingPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TDataLoggingPanel(QWidget *parent = nullptr);

    std::array<QLabel *, 5> DataLoggingLabel {}; // [1..4] row headings
};

} // namespace orvane
