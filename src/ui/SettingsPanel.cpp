#include "SettingsPanel.h"

#include "PanelKit.h"
#include "TraceSlots.h"
#include "acquisition/AcquisitionControl.h"
#include "common/Text1252.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace orvane {

namespace {
constexpr int kRowHeight = 17;
constexpr int kPlacedRows = 10; // rows whose trace box follows its cell
const QColor kHeadingColor(192, 192, 192); // silver

struct Column
{
    const char *heading;
    int width;
};
constexpr Column kColumnLayout[TSettingsPanel::kColumns]
    = { { "Trace", 35 }, { "In/Output", 100 }, { "Name", 100 }, { "Gain", 60 }, { "Offset", 45 },
          { "Unit", 45 }, { "Digits", 45 }, { "Alarm High", 64 }, { "Alarm Low", 64 }, { "", 64 } };

// Paints each cell as usual; painting a cell of the first column places the
// trace box of its row over it.
class TraceCellDelegate : public QStyledItemDelegate
{
public:
    explicit TraceCellDelegate(TSettingsPanel *panel)
        : QStyledItemDelegate(panel)
        , m_panel(panel)
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        // The whole cell, grid line included (the view's own rectangle
        // leaves the line out).
        const QTableWidget *grid = m_panel->StringGrid;
        const int row = index.row();
        if (index.column() == 0) {
            m_panel->StringGridDrawCell(0, row,
                QRect(grid->columnViewportPosition(0), grid->rowViewportPosition(row),
                    grid->columnWidth(0), grid->rowHeight(row)));
        }
    }

private:
    TSettingsPanel *m_panel;
};
} // namespace

void TStringGrid::commitEditor()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        commitData(editor);
}

// ---------------------------------------------------------------- view port

void TSettingsPanel::View::showsModule(const TOV_MOD_Object *module)
{
    m_panel->m_shownModule = module;
    m_panel->m_shownSerial = module ? module->SerialText : QByteArray();
}

void TSettingsPanel::View::setCaption(const QByteArray &text)
{
    m_panel->SettingsLabel->setText(fromWindows1252(text));
}

void TSettingsPanel::View::setCell(int column, int row, const QByteArray &text)
{
    // An in-place editor open on the cell takes the new text too, so an edit
    // begun before the fill never lands in the module filled now.
    if (QTableWidgetItem *item = m_panel->StringGrid->item(row, column))
        item->setText(fromWindows1252(text));
}

QByteArray TSettingsPanel::View::cell(int column, int row) const
{
    const QTableWidgetItem *item = m_panel->StringGrid->item(row, column);
    return item ? toWindows1252(item->text()) : QByteArray();
}

void TSettingsPanel::View::setTraceBox(int index, bool visible, bool checked)
{
    if (index < 1 || index > 16)
        return;
    m_panel->m_boxShown[size_t(index)] = visible;
    m_panel->Checkbox[size_t(index)]->setChecked(checked);
    m_panel->showTraceBoxes();
}

void TSettingsPanel::View::repaint()
{
    m_panel->StringGrid->viewport()->update();
}

// ---------------------------------------------------------------- panel

TSettingsPanel::TSettingsPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("SettingsPanel"));
    SettingsLabel = headingLabel(
        this, QStringLiteral("Configuration for module:"), "SettingsLabel", QRect(10, 8, 351, 21));
    StringGrid = new TStringGrid(kRows, kColumns, this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->setGeometry(8, 31, 465, 386);
    StringGrid->setItemDelegate(new TraceCellDelegate(this));

    // Created after the grid, so they lie above it.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    for (int i = 1; i <= 16; ++i) {
        auto *box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("Checkbox%1").arg(i));
        box->setGeometry(50, 250, 15, kRowHeight);
        box->setAutoFillBackground(true);
        box->setPalette(white);
        box->hide();
        connect(box, &QCheckBox::clicked, this, [this, box] { AllCheckBoxChanged(box); });
        Checkbox[size_t(i)] = box;
    }
    StringGridInit();

    connect(StringGrid, &QTableWidget::cellClicked, this, [this] { StringGridClick(); });
    connect(StringGrid, &QTableWidget::cellDoubleClicked, this, [this] { StringGridDblClick(); });
    // Entering and leaving count for the grid with its in-place editor.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        const auto inGrid
            = [this](QWidget *w) { return w && (w == StringGrid || StringGrid->isAncestorOf(w)); };
        if (!inGrid(old) && inGrid(now))
            StringGridEnter();
        else if (inGrid(old) && !inGrid(now))
            StringGridExit();
    });
    connect(StringGrid->horizontalScrollBar(), &QScrollBar::valueChanged, this,
        [this] { showTraceBoxes(); });
}

TSettingsPanel::~TSettingsPanel() = default;

void TSettingsPanel::StringGridInit()
{
    StringGrid->horizontalHeader()->hide();
    StringGrid->verticalHeader()->hide();
    StringGrid->horizontalHeader()->setMinimumSectionSize(1);
    StringGrid->verticalHeader()->setMinimumSectionSize(1);
    StringGrid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid->setShowGrid(true);
    StringGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    for (int c = 0; c < kColumns; ++c) {
        StringGrid->setColumnWidth(c, kColumnLayout[c].width);
        auto *heading = new QTableWidgetItem(QLatin1String(kColumnLayout[c].heading));
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setBackground(kHeadingColor);
        StringGrid->setItem(0, c, heading);
        for (int r = 1; r < kRows; ++r) {
            auto *item = new QTableWidgetItem;
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (StringGridSelectCell(c, r))
                flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            StringGrid->setItem(r, c, item);
        }
    }
}

bool TSettingsPanel::StringGridSelectCell(int column, int row)
{
    return column > 1 && row > 0;
}

int TSettingsPanel::selectedSlot() const
{
    if (!m_acq)
        return 0;
    const int slot = m_acq->SelectedModule;
    return slot >= 1 && slot <= 4 ? slot : 0;
}

int TSettingsPanel::shownSlot() const
{
    if (!m_acq || !m_shownModule)
        return 0;
    for (int slot = 1; slot <= 4; ++slot) {
        const TOV_MOD_Object &module = *m_acq->ModObject[slot];
        if (&module == m_shownModule)
            return module.Present && module.SerialText == m_shownSerial ? slot : 0;
    }
    return 0;
}

void TSettingsPanel::StringGridDrawCell(int column, int row, const QRect &cellRect)
{
    const int slot = shownSlot();
    if (column != 0 || row < 1 || row > kPlacedRows || !slot
        || row > m_acq->ModObject[slot]->SignalCount)
        return;
    // The cell rectangle is in the grid's client area; the box keeps 13
    // pixels to the cell's left and 8 to its right, 2 below its top.
    const QPoint grid = StringGrid->pos();
    const QPoint topLeft(grid.x() + cellRect.x() + 13, grid.y() + cellRect.y() + 2);
    const QPoint end(grid.x() + cellRect.x() + cellRect.width() - 8,
        grid.y() + cellRect.y() + cellRect.height() + 2);
    Checkbox[size_t(row)]->setGeometry(
        QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())));
}

void TSettingsPanel::showTraceBoxes()
{
    // A box whose cell is scrolled out of the grid is not left over the other
    // columns.
    const bool firstColumnInView = StringGrid->columnViewportPosition(0) >= 0;
    for (int i = 1; i <= 16; ++i)
        Checkbox[size_t(i)]->setVisible(m_boxShown[size_t(i)] && firstColumnInView);
}

void TSettingsPanel::readBack()
{
    if (!selectedSlot())
        return;
    StringGrid->commitEditor(); // the last edit is part of the read-back
    // The texts go back only into the module they were filled from. A scan
    // fills the grid module after module while the operator may select
    // another one, and a slot may have lost its module since: writing the
    // grid into the selected module then would put one module's
    // configuration into another's settings file.
    if (const int slot = shownSlot())
        m_acq->readBackConfiguration(slot);
    else
        UpdateSettingsPanel();
}

void TSettingsPanel::UpdateSettingsPanel()
{
    if (const int slot = selectedSlot())
        m_acq->ModObject[slot]->ShowConfiguration();
}

void TSettingsPanel::AllCheckBoxChanged(QCheckBox *box)
{
    bool numbered = false;
    const int n = box->objectName().mid(int(qstrlen("Checkbox"))).toInt(&numbered);
    if (!numbered || n < 1 || n > 16 || !m_acq)
        return;
    // With polling stopped, or no module selected, only the box on screen
    // changes.
    if (!m_acq->CyclicUpdate || !selectedSlot())
        return;
    // The boxes belong to the module the grid shows, like its cells.
    const int slot = shownSlot();
    if (!slot) {
        UpdateSettingsPanel();
        return;
    }
    TOV_MOD_Object &module = *m_acq->ModObject[slot];
    if (box->isChecked()) {
        if (!m_traceSlots || m_traceSlots->AddTrace(slot, n)) {
            module.TraceFlags[size_t(n)] = 1;
            return;
        }
        box->setChecked(false); // refused: the trace window said why
    }
    module.TraceFlags[size_t(n)] = 0;
    if (m_traceSlots)
        m_traceSlots->RemoveTrace(slot, n);
}

} // namespace orvane
