#pragma once

#include "widgets/Paneles.h"

#include <QByteArray>
#include <QPointer>

#include <array>

class QCheckBox;
class QFrame;
class QLabel;

namespace orvane {

class AcquisitionControl;

// Panel 3: the measurement log switched per present module. Four rows, the
// present modules in slot order; each shows its module's serial number, a
// check box for logging and the name of the current log file. Arrays are
// indexed by row 1..4.
class TDataLoggingPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TDataLoggingPanel(QWidget *parent = nullptr);

    void bind(AcquisitionControl *acquisition) { m_acq = acquisition; }

    std::array<QLabel *, 5> DataLoggingLabel {}; // DataLoggingLabel1..4: row headings
    std::array<QCheckBox *, 5> DataLoggingCheckBox {};
    std::array<QLabel *, 5> DataLoggingTextLabel {}; // DataLoggingLabel5..8
    std::array<QFrame *, 5> DataLoggingBevel {};
    std::array<QLabel *, 5> DataLoggingFileNameLabel {};

    // --- handlers ---
    // Rebuilds the acquisition's ModuleList and shows its modules in the
    // rows; sets the check boxes without running their handler.
    void refresh();
    void DataLoggingCheckBoxClick(int row);

private:
    QPointer<AcquisitionControl> m_acq;
    std::array<int, 5> m_rowSlot {};
    std::array<QByteArray, 5> m_rowSerial {};
};

} // namespace orvane
