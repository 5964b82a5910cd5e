#include "TxRxPanel.h"

#include "PanelKit.h"
#include "common/Text1252.h"

#include <QLabel>

namespace orvane {

namespace {
QLabel *valueBox(QWidget *parent, const QString &name, int y)
{
    QLabel *box = textLabel(parent, QStringLiteral("0 "), QRect(152, y, 65, 17));
    box->setObjectName(name);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return box;
}
} // namespace

TTxRxPanel::TTxRxPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("TxRxPanel"));
    TxRxPanelLabel = headingLabel(
        this, QStringLiteral("Orvane Interface"), "TxRxPanelLabel", QRect(10, 8, 300, 21));
    const struct
    {
        const char *text;
        const char *box;
        int y;
    } rows[] = { { "OVI Serial", "OVI_Label", 36 }, { "Tx Packets", "TxLabel", 56 },
        { "Rx Good Packets", "RxLabel", 76 }, { "Rx Bad Packets", "BadRxLabel", 96 } };
    std::array<QLabel *, 4> boxes {};
    for (int i = 0; i < 4; ++i) {
        textLabel(this, QLatin1String(rows[i].text), QRect(8, rows[i].y, 113, 17));
        boxes[i] = valueBox(this, QLatin1String(rows[i].box), rows[i].y);
    }
    OVI_Label = boxes[0];
    TxLabel = boxes[1];
    RxLabel = boxes[2];
    BadRxLabel = boxes[3];
    for (int slot = 1; slot <= 4; ++slot) {
        const int y = 116 + 20 * (slot - 1);
        ModRxLabel[slot] = textLabel(this, QStringLiteral("-"), QRect(8, y, 137, 17));
        ModRxLabel[slot]->setObjectName(QStringLiteral("Mod%1RxLabel").arg(slot));
        ModStaticText[slot] = valueBox(this, QStringLiteral("Mod%1_StaticText").arg(slot), y);
    }
}

void TTxRxPanel::UpdateTxRxPanel(
    qint32 tx, qint32 rx, qint32 badRx, const std::array<qint32, 4> &lost)
{
    const auto show = [](QLabel *box, qint32 n) { box->setText(QString::number(n) + u' '); };
    show(TxLabel, tx);
    show(RxLabel, rx);
    show(BadRxLabel, badRx);
    for (int slot = 1; slot <= 4; ++slot)
        show(ModStaticText[slot], lost[slot - 1]);
}

void TTxRxPanel::setOviLabel(const QByteArray &text)
{
    OVI_Label->setText(fromWindows1252(text));
}

void TTxRxPanel::setModuleLabel(int slot, const QByteArray &text)
{
    if (slot >= 1 && slot <= 4)
        ModRxLabel[slot]->setText(fromWindows1252(text));
}

} // namespace orvane
