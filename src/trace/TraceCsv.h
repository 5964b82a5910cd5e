#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

class QIODevice;

namespace orvane {

class MeasurementLog;
class TraceSlotTable;

// Comma-separated values as spreadsheets read them (RFC 4180): fields
// separated by ",", records ended by CR LF, a field that holds a comma, a
// quote, CR or LF quoted with its quotes doubled. Texts are written as the
// bytes they are (Windows-1252, like the measurement logs).
class CsvWriter
{
public:
    explicit CsvWriter(QIODevice *device)
        : m_device(device)
    {
    }

    void addText(QByteArrayView text);
    // The shortest text that reads back as the same double, "." as decimal
    // separator; an empty field for a value that is not finite.
    void addNumber(double value);
    void addEmpty() { addText({}); }
    // Ends the record; false once the device refused a write.
    bool endRecord();
    bool ok() const { return m_ok; }

    static QByteArray quoted(QByteArrayView text);
    static QByteArray numberText(double value);

private:
    QIODevice *m_device;
    QByteArray m_record;
    int m_fields = 0;
    bool m_ok = true;
};

// A local date and time as ISO 8601 with milliseconds and the offset from
// UTC that was valid then: 2026-12-05T14:03:07.250+01:00.
QByteArray isoLocalTime(qint64 msecsSinceEpoch);

// The points of the trace window's plot inside the current X range, one
// record per refresh: the refresh count, its time, and the value of every
// slot that holds a signal (header "<serial> <name> [<unit>]"). Free slots
// and refreshes the plot no longer holds are left out; of two points of a
// trace at one refresh (a reply after a miss fills in the missed one) the
// later counts. Returns false when the device refused a write.
bool writeTraceCsv(const TraceSlotTable &table, QIODevice *device);

// The lines of a measurement log inside [from, to] seconds, for the signals
// that `shown` marks: seconds since the first line, the line's time (ISO 8601
// when the log's date is known, else its time of day), then the values.
bool writeLogCsv(
    const MeasurementLog &log, double from, double to, const QList<bool> &shown, QIODevice *device);

} // namespace orvane
