#pragma once

#include "modules/ModulePorts.h"
#include "widgets/Paneles.h"

#include <QPointer>
#include <QTableWidget>

#include <array>

class QCheckBox;
class QLabel;

namespace orvane {

class AcquisitionControl;
class TraceSlots;

// The configuration grid: a table of texts whose row 0 holds the headings.
class TStringGrid : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
    // Takes the text of an open in-place editor into its cell.
    void commitEditor();
};

// Panel 2: the signal configuration of the selected module in a grid, with a
// "Trace" check box over the first cell of each signal's row. Every time the
// operator enters, leaves or clicks the grid, the whole table is read back
// into the module it shows, saved to its settings file and announced. A grid
// whose module has left its slot is refilled for the selected module
// instead, and nothing is written.
class TSettingsPanel : public TPaneles
{
    Q_OBJECT
public:
    static constexpr int kColumns = 10;
    static constexpr int kRows = 20; // row 0 the headings

    explicit TSettingsPanel(QWidget *parent = nullptr);
    ~TSettingsPanel() override;

    // The acquisition whose selected module the panel edits, and the trace
    // window's slots (none: a ticked box is taken as accepted).
    void bind(AcquisitionControl *acquisition) { m_acq = acquisition; }
    void setTraceSlots(TraceSlots *traceSlots) { m_traceSlots = traceSlots; }

    QLabel *SettingsLabel = nullptr; // heading
    TStringGrid *StringGrid = nullptr;
    std::array<QCheckBox *, 17> Checkbox {}; // [1..16]: Checkbox1 .. Checkbox16
    ConfigView *configView() { return &m_view; }

    // --- handlers ---
    void StringGridInit();
    // Whether the cell may be edited: columns 2..9 below the headings.
    static bool StringGridSelectCell(int column, int row);
    void StringGridDrawCell(int column, int row, const QRect &cellRect);
    void StringGridEnter() { readBack(); }
    void StringGridExit() { readBack(); }
    void StringGridClick() { readBack(); }
    void StringGridDblClick() { readBack(); }
    void AllCheckBoxChanged(QCheckBox *box);
    void UpdateSettingsPanel();

private:
    // The grid, caption and trace boxes as a module object fills and reads them.
    class View : public ConfigView
    {
    public:
        explicit View(TSettingsPanel *panel)
            : m_panel(panel)
        {
        }
        void showsModule(const TOV_MOD_Object *module) override;
        void setCaption(const QByteArray &text) override;
        void setCell(int column, int row, const QByteArray &text) override;
        QByteArray cell(int column, int row) const override;
        void setTraceBox(int index, bool visible, bool checked) override;
        void repaint() override;

    private:
        TSettingsPanel *m_panel;
    };

    void readBack();
    int selectedSlot() const;
    // The slot of the module the grid shows, while that slot still holds it
    // (present, with the serial number it had when the grid was filled);
    // 0 otherwise.
    int shownSlot() const;
    void showTraceBoxes();

    QPointer<AcquisitionControl> m_acq;
    TraceSlots *m_traceSlots = nullptr;
    // Whose configuration the grid holds: the module object that filled it
    // last (only compared, never followed) and its serial number then.
    const TOV_MOD_Object *m_shownModule = nullptr;
    QByteArray m_shownSerial;
    std::array<bool, 17> m_boxShown {}; // [1..16] as the module wants them
    View m_view { this };
};

} // namespace orvane
