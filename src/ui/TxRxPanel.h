#pragma once

#include "widgets/Paneles.h"

#include <QByteArray>

#include <array>

class QLabel;

namespace orvane {

// Panel 1: the radio link statistics. Seven counter boxes (packets sent,
// replies accepted and rejected, missed replies per module slot), the
// interface's serial number and one label per module slot.
class TTxRxPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TTxRxPanel(QWidget *parent = nullptr);

    QLabel *TxRxPanelLabel = nullptr; // heading
    QLabel *OVI_Label = nullptr;
    QLabel *TxLabel = nullptr;
    QLabel *RxLabel = nullptr;
    QLabel *BadRxLabel = nullptr;
    std::array<QLabel *, 5> ModRxLabel {}; // [1..4]: Mod1RxLabel .. Mod4RxLabel
    std::array<QLabel *, 5> ModStaticText {}; // [1..4]: Mod1_StaticText .. Mod4_StaticText

    // Writes the seven boxes as "%d ".
    void UpdateTxRxPanel(qint32 tx, qint32 rx, qint32 badRx, const std::array<qint32, 4> &lost);
    void setOviLabel(const QByteArray &text);
    void setModuleLabel(int slot, const QByteArray &text);
};

} // namespace orvane
