#include "LogViewerUnit.h"

#include "MeasurementLog.h"
#include "PlotComp.h"
#include "PlotExport.h"
#include "TraceCsv.h"
#include "common/Text1252.h"
#include "widgets/Fonts.h"
#include "widgets/Paneles.h"

#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <limits>

namespace orvane {

namespace {
constexpr int kSecondsPerDay = 86400;

// A small stroke in the trace's colour, the check box's icon.
QPixmap colourSwatch(const QColor &color)
{
    QPixmap pixmap(24, 12);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.fillRect(2, 5, 20, 2, color);
    return pixmap;
}

QString displayName(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).fileName());
}

// The Y range of all values with a twentieth of it as margin above and
// below; a flat log gets one unit around its value.
std::pair<double, double> valueSpan(const PlotSeriesSet &data)
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int k = 0; k < int(data.series.size()); ++k) {
        const auto [minimum, maximum] = data.valueRange(k, 0, data.size());
        if (std::isfinite(minimum))
            lo = std::min(lo, minimum);
        if (std::isfinite(maximum))
            hi = std::max(hi, maximum);
    }
    if (!(lo <= hi))
        return { 0.0, 1.0 };
    const double margin = (hi - lo) / 20;
    if (!(margin > 0.0) || !std::isfinite(hi - lo + 2 * margin))
        return { lo - 0.5, 1.0 };
    return { lo - margin, hi - lo + 2 * margin };
}
} // namespace

TLogViewer::TLogViewer(
    std::shared_ptr<const MeasurementLog> log, const QString &path, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(std::move(log))
    , m_path(path)
{
    setObjectName(QStringLiteral("TLogViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Log: ") + displayName(path));
    setFont(windowFont());
    setMinimumSize(480, 320);
    resize(960, 600);

    Panel = new TPaneles(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setBitmap(mainSkin());
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel);
    auto *layout = new QVBoxLayout(Panel);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    Plot = new TPlot(Panel);
    Plot->setObjectName(QStringLiteral("Plot"));
    Plot->setTitle(QStringLiteral("%1 (Left click = zoom, Right click = 100%)")
                       .arg(fromWindows1252(m_log->measurementName)));
    Plot->setTitleColor(QColor(128, 0, 0));
    Plot->setBGColor(Qt::white);
    Plot->setGridColor(Qt::black);
    Plot->setXLabel(QStringLiteral("Time"));
    Plot->setYDigits(1);
    Plot->setLegendWidth(170);
    Plot->setSeries(std::shared_ptr<const PlotSeriesSet>(m_log, &m_log->data));
    Plot->setXTickText([this](double seconds) { return tickText(seconds); });
    Plot->setMinimumHeight(200);
    layout->addWidget(Plot, 1);

    auto *boxes = new QGridLayout;
    boxes->setHorizontalSpacing(16);
    const int count = std::min<int>(int(m_log->data.series.size()), TPlot::kMaxSeries);
    for (int k = 0; k < count; ++k) {
        const PlotSeries &s = m_log->data.series[std::size_t(k)];
        QString text = fromWindows1252(s.name);
        if (!s.unit.isEmpty())
            text += QStringLiteral(" [%1]").arg(fromWindows1252(s.unit));
        auto *box = new QCheckBox(text, Panel);
        box->setObjectName(QStringLiteral("SignalCheckBox%1").arg(k + 1));
        box->setIcon(colourSwatch(TPlot::traceColor(k + 1)));
        box->setIconSize(QSize(24, 12));
        box->setChecked(true);
        connect(
            box, &QCheckBox::toggled, this, [this, k](bool on) { Plot->setSeriesShown(k, on); });
        boxes->addWidget(box, k / 4, k % 4);
        SignalCheckBox[std::size_t(k)] = box;
    }
    layout->addLayout(boxes);

    auto *bottom = new QHBoxLayout;
    StatusLabel = new QLabel(statusText(*m_log), Panel);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setTextFormat(Qt::PlainText);
    bottom->addWidget(StatusLabel, 1);
    ExportDataButton = new QPushButton(QStringLiteral("E&xport data..."), Panel);
    ExportDataButton->setObjectName(QStringLiteral("ExportDataButton"));
    SavePictureButton = new QPushButton(QStringLiteral("Save &picture..."), Panel);
    SavePictureButton->setObjectName(QStringLiteral("SavePictureButton"));
    for (QPushButton *button : { ExportDataButton, SavePictureButton }) {
        button->setFixedSize(115, 25);
        bottom->addWidget(button);
    }
    connect(ExportDataButton, &QPushButton::clicked, this, &TLogViewer::ExportDataButtonClick);
    connect(SavePictureButton, &QPushButton::clicked, this, &TLogViewer::SavePictureButtonClick);
    layout->addLayout(bottom);

    setFullView();
}

TLogViewer::~TLogViewer() = default;

void TLogViewer::setFullView()
{
    const PlotSeriesSet &data = m_log->data;
    const double last = data.size() > 0 ? data.x.back() : 0.0;
    Plot->setXScaleOrigin(0.0);
    Plot->setXScaleSpan(last > 0.0 ? last : 1.0);
    const auto [origin, span] = valueSpan(data);
    Plot->setYScaleOrigin(origin);
    Plot->setYScaleSpan(span);
}

QString TLogViewer::statusText(const MeasurementLog &log)
{
    QStringList parts;
    const qint64 lines = qint64(log.data.size());
    parts << (lines == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(lines));
    if (log.damagedLines > 0) {
        parts << (log.damagedLines == 1
                ? QStringLiteral("1 line could not be read")
                : QStringLiteral("%1 lines could not be read").arg(log.damagedLines));
    }
    if (log.truncated)
        parts << QStringLiteral("only the first %1 lines are shown").arg(MeasurementLog::kMaxLines);
    if (!log.firstDate.isValid())
        parts << QStringLiteral("no date in the file name");
    return parts.join(QStringLiteral(", "));
}

QString TLogViewer::tickText(double seconds) const
{
    const double span = Plot ? Plot->XScaleSpan() : 0.0;
    const double t = m_log->firstTimeOfDay + seconds;
    const double inDay = t - std::floor(t / kSecondsPerDay) * kSecondsPerDay;
    const int whole = std::min(int(inDay), kSecondsPerDay - 1);
    const QTime time = QTime(0, 0).addSecs(whole);
    if (span > 1.5 * kSecondsPerDay) {
        const QDate date = m_log->dateAt(seconds);
        const QString day = date.isValid()
            ? date.toString(QStringLiteral("MM-dd"))
            : QStringLiteral("+%1d").arg(qint64(std::floor(t / kSecondsPerDay)));
        return day + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm"));
    }
    if (span < 10.0)
        return time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('.')
            + QString::number(std::min(9, int((inDay - whole) * 10)));
    return time.toString(QStringLiteral("HH:mm:ss"));
}

void TLogViewer::ExportDataButtonClick()
{
    QList<bool> shown;
    for (int k = 0; k < TPlot::kMaxSeries; ++k)
        shown << Plot->seriesShown(k);
    const double from = Plot->XScaleOrigin();
    const double to = from + Plot->XScaleSpan();
    const QString name = QFileInfo(m_path).completeBaseName() + QStringLiteral("_view.csv");
    exportCsvWithDialog(this, name, [this, from, to, shown](QIODevice *device) {
        return writeLogCsv(*m_log, from, to, shown, device);
    });
}

void TLogViewer::SavePictureButtonClick()
{
    savePictureWithDialog(
        this, Plot, QFileInfo(m_path).completeBaseName() + QStringLiteral("_view.png"));
}

TLogViewer *TLogViewer::openLog(const QString &path, QWidget *parent)
{
    auto log = std::make_shared<MeasurementLog>();
    LogReadProgress progress;
    LogReadResult result = LogReadResult::Cancelled;
    QString error;
    // The file is read on a thread of its own; this one keeps the windows
    // (and the polling) going and shows the progress.
    std::unique_ptr<QThread> reader(
        QThread::create([&] { result = readMeasurementLogFile(path, *log, &progress, &error); }));
    QProgressDialog bar(QStringLiteral("Reading %1 ...").arg(displayName(path)),
        QStringLiteral("Cancel"), 0, 1000, parent);
    bar.setObjectName(QStringLiteral("LogProgress"));
    bar.setWindowTitle(QStringLiteral("Open measurement log"));
    bar.setWindowModality(Qt::ApplicationModal);
    bar.setMinimumDuration(300);
    bar.setAutoReset(false);
    bar.setValue(0);
    QEventLoop loop;
    connect(reader.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &bar, [&] {
        const qint64 total = progress.total;
        if (total > 0)
            bar.setValue(int(std::min<qint64>(1000, progress.done * 1000 / total)));
    });
    connect(&bar, &QProgressDialog::canceled, &loop, [&] { progress.cancel = true; });
    reader->start();
    poll.start();
    loop.exec();
    // The loop also ends when the program quits during the read.
    progress.cancel = true;
    reader->wait();
    bar.close();

    switch (result) {
    case LogReadResult::Cancelled:
        return nullptr;
    case LogReadResult::NotALog:
        QMessageBox::warning(parent, QStringLiteral("Open measurement log"),
            QStringLiteral("%1 is not a measurement log.").arg(displayName(path)));
        return nullptr;
    case LogReadResult::Unreadable:
        QMessageBox::warning(parent, QStringLiteral("Open measurement log"),
            QStringLiteral("%1 could not be read: %2.").arg(displayName(path), error));
        return nullptr;
    case LogReadResult::Ok:
        break;
    }
    auto *viewer = new TLogViewer(std::move(log), path, parent);
    viewer->show();
    return viewer;
}

} // namespace orvane
