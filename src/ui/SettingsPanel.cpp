#include "SettingsPanel.h"

#include "PanelKit.h"
#include "common/Text1252.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace orvane {

void GridConfigView::setCaption(const QByteArray &text)
{
    m_caption->setText(fromWindows1252(text));
}

void GridConfigView::setCell(int column, int row, const QByteArray &text)
{
    if (row < 0 || row >= m_grid->rowCount() || column < 0 || column >= m_grid->columnCount())
        return;
    QTableWidgetItem *item = m_grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        m_grid->setItem(row, column, item);
    }
    item->setText(fromWindows1252(text));
}

QByteArray GridConfigView::cell(int column, int row) const
{
    const QTableWidgetItem *item = m_grid->item(row, column);
    return item ? toWindows1252(item->text()) : QByteArray();
}

void GridConfigView::setTraceBox(int index, bool visible, bool checked)
{
    if (index < 1 || index > m_boxes.size())
        return;
    QCheckBox *box = m_boxes[index - 1];
    box->setVisible(visible);
    box->setChecked(checked);
}

void GridConfigView::repaint()
{
    m_grid->viewport()->update();
}

TSettingsPanel::TSettingsPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("SettingsPanel"));
    SettingsLabel = headingLabel(
        this, QStringLiteral("Configuration for module:"), "SettingsLabel", QRect(10, 8, 351, 21));
    // Row 0 holds the captions, column 0 the trace check boxes.
    StringGrid = new QTableWidget(11, 9, this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->setGeometry(8, 31, 465, 386);
    StringGrid->horizontalHeader()->hide();
    StringGrid->verticalHeader()->hide();
    const QStringList captions = { "Trace", "In/Output", "Name", "Gain", "Offset", "Unit", "Digits",
        "Alarm High", "Alarm Low" };
    const int widths[] = { 36, 96, 96, 44, 44, 40, 36, 52, 52 };
    for (int c = 0; c < captions.size(); ++c) {
        auto *item = new QTableWidgetItem(captions[c]);
        item->setFlags(Qt::ItemIsEnabled);
        StringGrid->setItem(0, c, item);
        StringGrid->setColumnWidth(c, widths[c]);
    }
    for (int i = 1; i <= 16; ++i) {
        auto *box = new QCheckBox(i <= 10 ? StringGrid : static_cast<QWidget *>(this));
        box->setObjectName(QStringLiteral("Checkbox%1").arg(i));
        box->hide();
        if (i <= 10)
            StringGrid->setCellWidget(i, 0, box);
        CheckBoxes.append(box);
    }
    m_view = std::make_unique<GridConfigView>(StringGrid, SettingsLabel, CheckBoxes);
}

TSettingsPanel::~TSettingsPanel() = default;

} // namespace orvane
