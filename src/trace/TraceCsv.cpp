#include "TraceCsv.h"

#include "MeasurementLog.h"
#include "PlotModel.h"
#include "TraceSlotTable.h"
#include "modules/NumberText.h"
#include "modules/OVModObjectUnit.h"

#include <QDateTime>
#include <QIODevice>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>

namespace orvane {

void CsvWriter::addText(QByteArrayView text)
{
    if (m_fields > 0)
        m_record += ',';
    m_record += quoted(text);
    ++m_fields;
}

void CsvWriter::addNumber(double value)
{
    addText(numberText(value));
}

bool CsvWriter::endRecord()
{
    m_record += "\r\n";
    if (m_ok && m_device->write(m_record) != m_record.size())
        m_ok = false;
    m_record.clear();
    m_fields = 0;
    return m_ok;
}

QByteArray CsvWriter::quoted(QByteArrayView text)
{
    const bool needsQuotes = std::any_of(text.begin(), text.end(),
        [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
    if (!needsQuotes)
        return text.toByteArray();
    QByteArray out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

QByteArray CsvWriter::numberText(double value)
{
    if (!std::isfinite(value))
        return QByteArray();
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

namespace {
QByteArray offsetText(int seconds)
{
    const char sign = seconds < 0 ? '-' : '+';
    seconds = std::abs(seconds);
    return sign + formatZeroPadded(seconds / 3600, 2) + ':'
        + formatZeroPadded(seconds / 60 % 60, 2);
}

QByteArray isoText(const QDateTime &local)
{
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1()
        + offsetText(local.offsetFromUtc());
}

// "<serial> <name> [<unit>]"
QByteArray columnTitle(const QByteArray &serial, const QByteArray &name, const QByteArray &unit)
{
    QByteArray title = name + " [" + unit + ']';
    return serial.isEmpty() ? title : serial + ' ' + title;
}
} // namespace

QByteArray isoLocalTime(qint64 msecsSinceEpoch)
{
    return isoText(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch));
}

bool writeTraceCsv(const TraceSlotTable &table, QIODevice *device)
{
    const PlotModel &plot = table.plot();
    const PlotScales &view = plot.current();
    const double from = view.XScaleOrigin;
    const double to = view.XScaleOrigin + view.XScaleSpan;

    CsvWriter csv(device);
    csv.addText("cycle");
    csv.addText("time");
    std::vector<int> traces;
    for (int i = 1; i <= kTraceSlots; ++i) {
        const TOV_MOD_Object *module = table.slotModule(i);
        if (!module)
            continue;
        const TSignalRecord &signal = module->Signals[table.TraceSlots[i].signal];
        csv.addText(columnTitle(module->SerialText, signal.Name, signal.Unit));
        traces.push_back(i);
    }
    csv.endRecord();

    // Refresh count -> one value per exported trace. The store runs from the
    // oldest point to the newest, so a later point at the same count (the
    // fill-in of a missed reply) replaces the earlier one.
    const double kNone = std::nan("");
    std::map<qint32, std::vector<double>> rows;
    for (std::size_t k = 0; k < traces.size(); ++k) {
        for (int j = 0; j < plot.pointCount(); ++j) {
            const double x = plot.x(traces[k], j);
            if (!(x >= from && x <= to) || !table.refreshTime(x))
                continue;
            std::vector<double> &row = rows[qint32(x)];
            row.resize(traces.size(), kNone);
            row[k] = plot.y(traces[k], j);
        }
    }
    for (const auto &[count, values] : rows) {
        csv.addNumber(count);
        csv.addText(isoLocalTime(*table.refreshTime(count)));
        for (double v : values)
            csv.addNumber(v);
        if (!csv.endRecord())
            return false;
    }
    return csv.ok();
}

bool writeLogCsv(
    const MeasurementLog &log, double from, double to, const QList<bool> &shown, QIODevice *device)
{
    const PlotSeriesSet &data = log.data;
    CsvWriter csv(device);
    csv.addText("seconds");
    csv.addText("time");
    std::vector<int> columns;
    for (int k = 0; k < int(data.series.size()); ++k) {
        if (!shown.value(k, true))
            continue;
        csv.addText(
            columnTitle({}, data.series[std::size_t(k)].name, data.series[std::size_t(k)].unit));
        columns.push_back(k);
    }
    csv.endRecord();
    const std::size_t end = data.upperBound(to);
    qint64 offsetHour = -1;
    QByteArray offset;
    for (std::size_t i = data.lowerBound(from); i < end; ++i) {
        const double x = data.x[i];
        csv.addNumber(x);
        const int tod = log.timeOfDayAt(x);
        const QTime time(tod / 3600, tod / 60 % 60, tod % 60);
        const QDate date = log.dateAt(x);
        if (date.isValid()) {
            // The offset from UTC changes at most once an hour (summer
            // time); asking the time zone for every line would be slow.
            const qint64 hour = date.toJulianDay() * 24 + time.hour();
            if (hour != offsetHour) {
                offsetHour = hour;
                offset = offsetText(QDateTime(date, QTime(time.hour(), 0)).offsetFromUtc());
            }
            csv.addText(date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + 'T'
                + time.toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1() + offset);
        } else
            csv.addText(time.toString(QStringLiteral("HH:mm:ss")).toLatin1());
        for (int k : columns)
            csv.addNumber(data.series[std::size_t(k)].y[i]);
        if (!csv.endRecord())
            return false;
    }
    return csv.ok();
}

} // namespace orvane
