#pragma once

#include "acquisition/AcquisitionPorts.h"

#include <QWidget>

#include <array>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPixmap;
class QPushButton;

namespace orvane {

class OperatorMessages;
class TPaneles;
class TPlot;
class TraceSlotTable;

// The trace window: one plot of six traces, each showing one signal of one
// module, fed once per polling cycle. The configuration grid puts signals on
// traces (AddTrace) and takes them off (RemoveTrace); the acquisition drives
// it through TraceView. It is created hidden and only hides when closed.
class TPlotWindow : public QWidget, public TraceView
{
    Q_OBJECT
public:
    // `messages` shows the "Tracing Error" box; without one the window shows
    // its own message box.
    explicit TPlotWindow(QWidget *parent = nullptr, OperatorMessages *messages = nullptr);
    ~TPlotWindow() override;

    // --- TraceView ---
    void SetModules(const std::array<TOV_MOD_Object *, 4> &modules) override;
    // One point per trace at X = the number of refreshes so far; repaints the
    // plot only while the window is visible.
    void RefreshTraces() override;
    void RemoveModuleTraces(int module) override;

    // Puts signal `signal` (1..16) of module `module` (1..4) on the lowest
    // free trace. True when the pair is on a trace afterwards (also when it
    // already was); false, after the "Tracing Error" box, when all six
    // traces are taken.
    bool AddTrace(int module, int signal);
    // Frees every trace that shows the pair.
    void RemoveTrace(int module, int signal);
    void UpdateTraceLabels();
    void FormCreate();

    void setOperatorMessages(OperatorMessages *messages);
    // The skin bitmap tiled behind the controls (the grey texture of the
    // main window from the start).
    void setSkin(const QPixmap &skin);
    const TraceSlotTable &traceSlots() const { return *m_slots; }

    // --- controls, named as their objectName ---
    TPaneles *Panel = nullptr; // fills the client area, carries all but HideButton
    TPlot *Plot = nullptr;
    QLabel *Label1 = nullptr; // "Y-axis max"
    QLabel *Label2 = nullptr; // "Y-axis min"
    QLabel *Label3 = nullptr; // "Vertical Axis Setup"
    QLabel *Label4 = nullptr; // "Trace Signals"
    QLabel *Label5 = nullptr; // "Module"
    std::array<QLabel *, 7> SignalLabel {}; // Signal1Label ... Signal6Label
    std::array<QLabel *, 7> ModuleLabel {}; // Module1Label ... Module6Label
    std::array<QLabel *, 7> TraceColorImage {}; // colour swatch of each trace
    QLineEdit *PlotMaxEdit = nullptr;
    QLineEdit *PlotMinEdit = nullptr;
    QPushButton *ApplyMinMaxButton = nullptr;
    QFrame *Bevel1 = nullptr;
    QFrame *Bevel2 = nullptr;
    QPushButton *HideButton = nullptr;
    QPushButton *ExportDataButton = nullptr; // "E&xport data..."
    QPushButton *SavePictureButton = nullptr; // "Save &picture..."

public slots:
    // Y range of the plot from the two edits (both copies, so a right-click
    // returns to it).
    void ApplyMinMaxButtonClick();
    void HideButtonClick();
    // The points in view as CSV, one row per refresh with its time.
    void ExportDataButtonClick();
    // The plot as drawn, as PNG or SVG.
    void SavePictureButtonClick();

private:
    void showChangedLabels();

    std::unique_ptr<OperatorMessages> m_ownMessages;
    std::unique_ptr<TraceSlotTable> m_slots;
};

} // namespace orvane
