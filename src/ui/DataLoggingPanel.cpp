#include "DataLoggingPanel.h"

#include "PanelKit.h"
#include "acquisition/AcquisitionControl.h"
#include "common/Text1252.h"

#include <QCheckBox>
#include <QLabel>

namespace orvane {

namespace {
constexpr int kRowStep = 88;
} // namespace

TDataLoggingPanel::TDataLoggingPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("DataLoggingPanel"));
    for (int row = 1; row <= 4; ++row) {
        const int dy = kRowStep * (row - 1);
        const QByteArray heading = "DataLoggingLabel" + QByteArray::number(row);
        DataLoggingLabel[row] = headingLabel(this, QStringLiteral("Data logging for module:"),
            heading.constData(), QRect(10, 8 + dy, 455, 21));

        auto *box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("DataLoggingCheckBox%1").arg(row));
        box->setGeometry(8, 32 + dy, 14, 14);
        connect(box, &QCheckBox::clicked, this, [this, row] { DataLoggingCheckBoxClick(row); });
        DataLoggingCheckBox[row] = box;

        const QByteArray text = "DataLoggingLabel" + QByteArray::number(row + 4);
        DataLoggingTextLabel[row]
            = textLabel(this, QStringLiteral("Log all signals of this module to file:"),
                QRect(24, 32 + dy, row == 1 ? 401 : 193, 13), text.constData());

        auto *bevel = new QFrame(this);
        bevel->setObjectName(QStringLiteral("DataLoggingBevel%1").arg(row));
        bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bevel->setGeometry(row == 1 ? 8 : 7, 56 + dy, 465, 26);
        DataLoggingBevel[row] = bevel;

        const QByteArray fileName = "DataLoggingFileNameLabel" + QByteArray::number(row);
        DataLoggingFileNameLabel[row] = textLabel(this, QStringLiteral("<no file name>"),
            QRect(16, 62 + dy, 441, 13), fileName.constData());
    }
}

void TDataLoggingPanel::refresh()
{
    if (!m_acq)
        return;
    m_acq->CreateModuleList();
    for (int row = 1; row <= 4; ++row) {
        const int slot = m_acq->ModuleList[size_t(row)];
        m_rowSlot[size_t(row)] = slot;
        // Row 1 stays on screen, and its box usable, with no module at all.
        const bool shown = row == 1 || slot > 0;
        for (QWidget *w : { static_cast<QWidget *>(DataLoggingLabel[row]),
                 static_cast<QWidget *>(DataLoggingCheckBox[row]),
                 static_cast<QWidget *>(DataLoggingTextLabel[row]),
                 static_cast<QWidget *>(DataLoggingBevel[row]),
                 static_cast<QWidget *>(DataLoggingFileNameLabel[row]) })
            w->setVisible(shown);
        DataLoggingCheckBox[row]->setEnabled(shown);
        if (slot == 0) {
            // A row without a module keeps its texts; its box never shows a
            // log that is not running.
            m_rowSerial[size_t(row)].clear();
            DataLoggingCheckBox[row]->setChecked(false);
            continue;
        }
        const TOV_MOD_Object &module = *m_acq->ModObject[slot];
        m_rowSerial[size_t(row)] = module.SerialText;
        DataLoggingCheckBox[row]->setChecked(module.Logging);
        DataLoggingFileNameLabel[row]->setText(fromWindows1252(module.LogFileName));
        DataLoggingLabel[row]->setText(
            QStringLiteral("Data logging for module: ") + fromWindows1252(module.SerialText));
    }
}

void TDataLoggingPanel::DataLoggingCheckBoxClick(int row)
{
    if (!m_acq || row < 1 || row > 4)
        return;
    // A row listed without a module (row 1 with no module present): nothing
    // happens, and the box keeps what the click made it.
    const int slot = m_rowSlot[size_t(row)];
    if (slot == 0)
        return;
    // The rows are refreshed only by the panel's button and its boxes; after
    // a scan a row may show a module that moved or left. The box acts only
    // when its slot still holds the module the row shows.
    const TOV_MOD_Object &module = *m_acq->ModObject[slot];
    if (module.Present && module.SerialText == m_rowSerial[size_t(row)])
        m_acq->setModuleLogging(slot, DataLoggingCheckBox[row]->isChecked());
    refresh();
}

} // namespace orvane
