#pragma once

#include "PlotSeries.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <atomic>

class QIODevice;

namespace orvane {

// A measurement log read back: every signal's values over the seconds since
// the log's first line. The lines carry only the time of day: a line whose
// time is earlier than the one before it starts the next day. Each header
// block in the middle of the file starts a new segment.
class MeasurementLog
{
public:
    // Signals shown at most; a header naming more keeps the first ones.
    static constexpr int kMaxSignals = 8;
    // Data lines kept at most (about five weeks of lines a second): a
    // larger file shows its beginning, and memory stays bounded.
    static constexpr qint64 kMaxLines = 3'000'000;
    // A longer line is no log line; it is skipped as damaged.
    static constexpr int kMaxLineLength = 4096;

    QByteArray measurementName; // from the first "# Measurement : " line
    QDate firstDate; // date of the first line, when the name tells it
    int firstTimeOfDay = 0; // seconds since midnight of the first line
    PlotSeriesSet data; // X in seconds since the first line
    qint64 damagedLines = 0;
    bool truncated = false; // lines beyond kMaxLines were left out

    // The local date and time of a point, as the log's lines tell it.
    QDate dateAt(double seconds) const;
    int timeOfDayAt(double seconds) const;
};

// How far a read has come, and the request to stop; written and read by
// different threads.
struct LogReadProgress
{
    std::atomic<qint64> done { 0 };
    std::atomic<qint64> total { 0 };
    std::atomic<bool> cancel { false };
};

enum class LogReadResult {
    Ok,
    NotALog, // the first line is no "# Measurement : " header
    Cancelled,
    Unreadable, // the file could not be opened or read
};

// Reads a measurement log from a device (open for reading). The first line
// must be a header; lines that cannot be read are skipped and counted. A
// file name of the program's own shape (Data_<serial>_<yyyy-MM-dd>_...)
// gives the date; without it the times have no date.
LogReadResult readMeasurementLog(
    QIODevice *device, MeasurementLog &log, LogReadProgress *progress = nullptr);
// The same for a file; `error` receives the reason when it is Unreadable.
LogReadResult readMeasurementLogFile(const QString &path, MeasurementLog &log,
    LogReadProgress *progress = nullptr, QString *error = nullptr);

} // namespace orvane
