#pragma once

#include <QString>

#include <functional>

class QDateTime;
class QIODevice;
class QWidget;

namespace orvane {

class TPlot;

// "<prefix>_<yyyy-MM-dd_hh-mm-ss>.<suffix>", the name an export suggests.
QString timeStampedName(const QString &prefix, const QString &suffix, const QDateTime &time);

// Writes a file through a temporary file in the same folder that is renamed
// into place only when everything was written, so a failed write leaves
// nothing half-written behind (and an existing file as it was). False with
// the reason in `error`.
bool writeFileWhole(
    const QString &path, const std::function<bool(QIODevice *)> &write, QString *error);

// The plot as a picture: PNG as drawn at its size, SVG (by the name's
// suffix) the same drawing as vectors with texts as text.
bool writePlotPicture(TPlot *plot, const QString &path, QString *error);

// Asks for a CSV file name (starting at `suggested`) and writes it; a file
// that cannot be written gives one message box naming it and the reason.
// Returns the path written, empty when nothing was.
QString exportCsvWithDialog(
    QWidget *parent, const QString &suggested, const std::function<bool(QIODevice *)> &write);
// Asks for a PNG or SVG file name and saves the plot, the same way.
QString savePictureWithDialog(QWidget *parent, TPlot *plot, const QString &suggested);

} // namespace orvane
