#include "PlotExport.h"

#include "PlotComp.h"

#include <QDateTime>
#include <QFileDialog>
#include <QImageWriter>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace orvane {

namespace {
const QString kCsvFilter = QStringLiteral("CSV file (*.csv)");
const QString kPngFilter = QStringLiteral("PNG image (*.png)");
const QString kSvgFilter = QStringLiteral("SVG drawing (*.svg)");

void reportFailure(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox::warning(parent, QStringLiteral("Export Error"),
        QStringLiteral("The file %1 could not be written: %2.")
            .arg(QDir::toNativeSeparators(path), reason));
}

// The name as typed, with the filter's suffix when it has none of its own.
QString withSuffix(QString path, const QString &suffix)
{
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    return path;
}

bool writeSvg(TPlot *plot, QIODevice *device)
{
    QSvgGenerator svg;
    svg.setOutputDevice(device);
    svg.setSize(plot->size());
    svg.setViewBox(QRect(QPoint(0, 0), plot->size()));
    svg.setTitle(plot->Title());
    QPainter p(&svg);
    if (!p.isActive())
        return false;
    // The control's one-pixel border, then its client area.
    if (plot->frameWidth() > 0) {
        p.setPen(QPen(plot->palette().color(QPalette::WindowText), 1.0));
        p.drawRect(QRectF(0.5, 0.5, plot->width() - 1, plot->height() - 1));
    }
    p.translate(plot->contentsRect().topLeft());
    plot->renderVector(p);
    return p.end();
}
} // namespace

QString timeStampedName(const QString &prefix, const QString &suffix, const QDateTime &time)
{
    return prefix + QLatin1Char('_') + time.toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"))
        + QLatin1Char('.') + suffix;
}

bool writeFileWhole(
    const QString &path, const std::function<bool(QIODevice *)> &write, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!write(&file)) {
        *error = file.errorString().isEmpty() || file.error() == QFileDevice::NoError
            ? QStringLiteral("the data could not be written")
            : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writePlotPicture(TPlot *plot, const QString &path, QString *error)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0)
        return writeFileWhole(
            path, [plot](QIODevice *device) { return writeSvg(plot, device); }, error);
    const QImage image = plot->grab().toImage();
    return writeFileWhole(
        path,
        [&image](QIODevice *device) {
            QImageWriter writer(device, "png");
            return writer.write(image);
        },
        error);
}

QString exportCsvWithDialog(
    QWidget *parent, const QString &suggested, const std::function<bool(QIODevice *)> &write)
{
    const QString path = withSuffix(
        QFileDialog::getSaveFileName(parent, QStringLiteral("Export data"), suggested, kCsvFilter),
        QStringLiteral("csv"));
    if (path.isEmpty())
        return QString();
    QString error;
    if (!writeFileWhole(path, write, &error)) {
        reportFailure(parent, path, error);
        return QString();
    }
    return path;
}

QString savePictureWithDialog(QWidget *parent, TPlot *plot, const QString &suggested)
{
    QString filter = kPngFilter;
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Save picture"), suggested,
        kPngFilter + QStringLiteral(";;") + kSvgFilter, &filter);
    path = withSuffix(path, filter == kSvgFilter ? QStringLiteral("svg") : QStringLiteral("png"));
    if (path.isEmpty())
        return QString();
    QString error;
    if (!writePlotPicture(plot, path, &error)) {
        reportFailure(parent, path, error);
        return QString();
    }
    return path;
}

} // namespace orvane
