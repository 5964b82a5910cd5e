#include "MeasurementLog.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace orvane {

namespace {
constexpr qint64 kChunk = 1 << 20;
constexpr int kSecondsPerDay = 86400;
constexpr int kMaxHeaderSignals = 16; // a module names at most 16 signals
const QByteArray kHeaderStart("# Measurement : ");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int twoDigits(const char *p)
{
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9')
        return -1;
    return (p[0] - '0') * 10 + (p[1] - '0');
}

// "hh:mm:ss" as seconds since midnight, or -1.
int timeOfDay(const char *p, const char *end)
{
    if (end - p < 8 || p[2] != ':' || p[5] != ':')
        return -1;
    const int h = twoDigits(p);
    const int m = twoDigits(p + 3);
    const int s = twoDigits(p + 6);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return -1;
    return h * 3600 + m * 60 + s;
}

// The start date and time in a log's name, Data_<serial>_<yyyy-MM-dd>_<hh-mm-ss>.txt.
bool startFromName(const QByteArray &name, QDate *date, int *seconds)
{
    static const QRegularExpression shape(
        QStringLiteral("_(\\d{4})-(\\d{2})-(\\d{2})_(\\d{2})-(\\d{2})-(\\d{2})\\.txt$"));
    const QRegularExpressionMatch m = shape.match(QString::fromLatin1(name));
    if (!m.hasMatch())
        return false;
    *date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (!date->isValid() || h > 23 || mi > 59 || s > 59)
        return false;
    *seconds = h * 3600 + mi * 60 + s;
    return true;
}

// Reads the file line by line and fills the log: the rules for headers,
// data lines, days and segments.
class LogParser
{
public:
    explicit LogParser(MeasurementLog &log)
        : m_log(log)
    {
    }

    enum class Verdict { Going, NotALog, Full };

    // One line without its LF (a CR before it is still there).
    Verdict line(const char *p, const char *end)
    {
        if (end > p && end[-1] == '\r')
            --end;
        const QByteArrayView text(p, end - p);
        if (!m_sawHeader) {
            if (!text.startsWith(kHeaderStart))
                return Verdict::NotALog;
            m_sawHeader = true;
            m_log.measurementName = text.sliced(kHeaderStart.size()).toByteArray();
            startBlock();
            return Verdict::Going;
        }
        if (text.startsWith(kHeaderStart)) {
            // The log was ticked again in the same second: a gap follows.
            m_breakPending = !m_log.data.x.empty();
            startBlock();
            return Verdict::Going;
        }
        if (text.startsWith('#')) {
            signalLine(text);
            return Verdict::Going;
        }
        if (std::all_of(p, end, isBlank))
            return Verdict::Going;
        m_inHeader = false;
        return dataLine(p, end);
    }

    // A line too long for a log; before the header it tells a foreign file.
    Verdict overlongLine()
    {
        if (!m_sawHeader)
            return Verdict::NotALog;
        damaged();
        return Verdict::Going;
    }
    void damaged() { ++m_log.damagedLines; }
    bool sawHeader() const { return m_sawHeader; }
    qint64 bytesPerLine() const { return m_firstLineBytes; }
    bool sawData() const { return !m_log.data.x.empty(); }

private:
    void startBlock()
    {
        m_inHeader = true;
        m_blockSignals = 0;
        ++m_blocks;
    }

    void signalLine(QByteArrayView text)
    {
        if (!m_inHeader || !text.startsWith("# ") || m_blockSignals == kMaxHeaderSignals) {
            damaged();
            return;
        }
        ++m_blockSignals;
        if (m_blocks == 1) {
            m_columns = m_blockSignals;
            if (int(m_log.data.series.size()) < MeasurementLog::kMaxSignals) {
                // "# " + name + " " + unit: names may hold spaces, units do not.
                const QByteArrayView body = text.sliced(2);
                const qsizetype space = body.lastIndexOf(' ');
                PlotSeries s;
                s.name = (space < 0 ? body : body.first(space)).toByteArray();
                s.unit = space < 0 ? QByteArray() : body.sliced(space + 1).toByteArray();
                m_log.data.series.push_back(std::move(s));
            }
        }
    }

    Verdict dataLine(const char *p, const char *end)
    {
        const int tod = timeOfDay(p, end);
        // A block naming other signals than the first is another log's.
        if (tod < 0 || m_blockSignals != m_columns || (end - p > 8 && !isBlank(p[8]))) {
            damaged();
            return Verdict::Going;
        }
        std::array<double, kMaxHeaderSignals> values {};
        int count = 0;
        for (const char *q = p + 8;;) {
            while (q < end && isBlank(*q))
                ++q;
            if (q == end)
                break;
            const char *token = q;
            while (q < end && !isBlank(*q))
                ++q;
            double v = 0.0;
            const auto [stop, ec] = std::from_chars(token, q, v);
            if (ec != std::errc() || stop != q || count == m_columns) {
                damaged();
                return Verdict::Going;
            }
            values[std::size_t(count++)] = v;
        }
        if (count != m_columns) {
            damaged();
            return Verdict::Going;
        }
        PlotSeriesSet &data = m_log.data;
        if (qint64(data.x.size()) >= MeasurementLog::kMaxLines) {
            m_log.truncated = true;
            return Verdict::Full;
        }
        if (data.x.empty()) {
            m_log.firstTimeOfDay = tod;
            m_lastTod = tod;
            m_firstLineBytes = end - p + 2;
            data.segmentStarts.push_back(0);
        } else if (m_breakPending) {
            data.segmentStarts.push_back(data.x.size());
        }
        m_breakPending = false;
        if (tod < m_lastTod)
            ++m_day;
        m_lastTod = tod;
        data.x.push_back(double(m_day) * kSecondsPerDay + tod - m_log.firstTimeOfDay);
        for (std::size_t k = 0; k < data.series.size(); ++k)
            data.series[k].y.push_back(values[k]);
        return Verdict::Going;
    }

    MeasurementLog &m_log;
    bool m_sawHeader = false;
    bool m_inHeader = false;
    bool m_breakPending = false;
    int m_blocks = 0;
    int m_blockSignals = 0;
    int m_columns = 0; // signals of the first block: the values of every line
    qint64 m_day = 0;
    int m_lastTod = 0;
    qint64 m_firstLineBytes = 0;
};

// Room for the lines the rest of the file will hold, judged by the first
// one, so that the columns are not copied as they grow.
void reserveFor(PlotSeriesSet &data, qint64 bytes, qint64 bytesPerLine)
{
    if (bytes <= 0 || bytesPerLine <= 0)
        return;
    const qint64 lines
        = std::min<qint64>(MeasurementLog::kMaxLines, bytes / bytesPerLine * 11 / 10 + 64);
    data.x.reserve(std::size_t(lines));
    for (PlotSeries &s : data.series)
        s.y.reserve(std::size_t(lines));
}

void trimTo(std::vector<double> &v)
{
    if (v.capacity() > v.size() + v.size() / 4 + 1024)
        v.shrink_to_fit();
}
} // namespace

QDate MeasurementLog::dateAt(double seconds) const
{
    if (!firstDate.isValid())
        return QDate();
    return firstDate.addDays(qint64(std::floor((firstTimeOfDay + seconds) / kSecondsPerDay)));
}

int MeasurementLog::timeOfDayAt(double seconds) const
{
    const double t = std::fmod(firstTimeOfDay + seconds, double(kSecondsPerDay));
    return int(t < 0 ? t + kSecondsPerDay : t);
}

LogReadResult readMeasurementLog(QIODevice *device, MeasurementLog &log, LogReadProgress *progress)
{
    log = MeasurementLog();
    LogParser parser(log);
    const qint64 total = device->isSequential() ? 0 : device->size() - device->pos();
    if (progress)
        progress->total = total;
    QByteArray carry; // the start of a line that the last chunk cut
    bool overlong = false; // inside a line too long to be a log line
    bool reserved = false;
    qint64 done = 0;
    LogParser::Verdict verdict = LogParser::Verdict::Going;
    QByteArray chunk;
    while (verdict == LogParser::Verdict::Going) {
        if (progress && progress->cancel)
            return LogReadResult::Cancelled;
        chunk.resize(kChunk);
        const qint64 n = device->read(chunk.data(), kChunk);
        if (n < 0)
            return LogReadResult::Unreadable;
        if (n == 0)
            break;
        chunk.truncate(n);
        done += n;
        if (progress)
            progress->done = done;
        const char *p = chunk.constData();
        const char *const end = p + n;
        while (p < end && verdict == LogParser::Verdict::Going) {
            const char *lf = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
            const char *lineEnd = lf ? lf : end;
            if (overlong || carry.size() + (lineEnd - p) > MeasurementLog::kMaxLineLength) {
                if (!overlong)
                    verdict = parser.overlongLine();
                overlong = !lf;
                carry.clear();
            } else if (!lf) {
                carry.append(p, lineEnd - p);
            } else if (!carry.isEmpty()) {
                carry.append(p, lineEnd - p);
                verdict = parser.line(carry.constData(), carry.constData() + carry.size());
                carry.clear();
            } else {
                verdict = parser.line(p, lineEnd);
            }
            p = lf ? lf + 1 : end;
            if (!reserved && parser.sawData()) {
                reserved = true;
                reserveFor(log.data, total - done + (end - p), parser.bytesPerLine());
            }
        }
    }
    // A last line without its line end (the file was cut short while written).
    if (verdict == LogParser::Verdict::Going && !carry.isEmpty())
        verdict = parser.line(carry.constData(), carry.constData() + carry.size());
    if (verdict == LogParser::Verdict::NotALog || !parser.sawHeader())
        return LogReadResult::NotALog;

    trimTo(log.data.x);
    for (PlotSeries &s : log.data.series)
        trimTo(s.y);
    log.data.buildIndexes();

    QDate startDate;
    int startSeconds = 0;
    bool named = startFromName(log.measurementName, &startDate, &startSeconds);
    if (!named) {
        if (auto *file = qobject_cast<QFile *>(device))
            named = startFromName(
                QFileInfo(file->fileName()).fileName().toLatin1(), &startDate, &startSeconds);
    }
    // A log started just before midnight has its first line on the next day.
    if (named)
        log.firstDate = log.firstTimeOfDay < startSeconds ? startDate.addDays(1) : startDate;
    return LogReadResult::Ok;
}

LogReadResult readMeasurementLogFile(
    const QString &path, MeasurementLog &log, LogReadProgress *progress, QString *error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        if (error)
            *error
                = QFileInfo(path).isDir() ? QStringLiteral("it is a folder") : file.errorString();
        return LogReadResult::Unreadable;
    }
    const LogReadResult result = readMeasurementLog(&file, log, progress);
    if (result == LogReadResult::Unreadable && error)
        *error = file.errorString();
    return result;
}

} // namespace orvane
