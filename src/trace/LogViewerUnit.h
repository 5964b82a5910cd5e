#pragma once

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace orvane {

class MeasurementLog;
class TPaneles;
class TPlot;

// A window that shows one measurement log: every signal as a trace over the
// time since the log's first line, zoomed like the trace window, a check box
// per signal to show or hide it, the export of the visible range, and a
// status line that counts the lines that could not be read. Several may be
// open at once; each deletes itself when closed.
class TLogViewer : public QWidget
{
    Q_OBJECT
public:
    TLogViewer(
        std::shared_ptr<const MeasurementLog> log, const QString &path, QWidget *parent = nullptr);
    ~TLogViewer() override;

    // Reads the file with a progress bar that can cancel it and opens a
    // viewer on it. A file that is not a measurement log, or cannot be
    // read, gives one message box; then, and after a cancel, nothing opens
    // (null).
    static TLogViewer *openLog(const QString &path, QWidget *parent);

    const MeasurementLog &log() const { return *m_log; }
    // What the status line says about the file.
    static QString statusText(const MeasurementLog &log);
    // A tick label: the time of day at `seconds`, with the date when the
    // view spans days.
    QString tickText(double seconds) const;

    // --- controls, named as their objectName ---
    TPaneles *Panel = nullptr;
    TPlot *Plot = nullptr;
    std::array<QCheckBox *, 8> SignalCheckBox {}; // SignalCheckBox1 ... 8, one per signal
    QLabel *StatusLabel = nullptr;
    QPushButton *ExportDataButton = nullptr;
    QPushButton *SavePictureButton = nullptr;

public slots:
    // The visible range of the shown signals as CSV.
    void ExportDataButtonClick();
    void SavePictureButtonClick();

private:
    void setFullView();

    std::shared_ptr<const MeasurementLog> m_log;
    QString m_path;
};

} // namespace orvane
