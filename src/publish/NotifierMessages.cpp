#include "NotifierMessages.h"

#include "common/Text1252.h"
#include "modules/NumberText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

#include <cmath>

namespace orvane {

namespace {
// Texts of the system are Windows-1252 bytes; a radio reply or a settings
// file may have put control bytes in them, which must never split a line
// of a message.
QString plainText(const QByteArray &bytes)
{
    QString text = fromWindows1252(bytes);
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return text;
}

bool isAlarm(PlantEvent::Kind kind)
{
    return kind == PlantEvent::Kind::AlarmRaised || kind == PlantEvent::Kind::AlarmCleared;
}

QJsonValue orNull(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QJsonValue() : QJsonValue(plainText(bytes));
}

QJsonValue numberOrNull(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

// "2026-12-06 13:31:02 +01:00 (CET)": local time with its offset and zone.
QString localTimeText(qint64 utcMs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(utcMs);
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    QString text = local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss "))
        + QLatin1Char(offset < 0 ? '-' : '+')
        + QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    const QString zone = local.timeZoneAbbreviation();
    if (!zone.isEmpty())
        text += QStringLiteral(" (") + zone + QLatin1Char(')');
    return text;
}

QString subjectOf(const PlantEvent &e)
{
    const QString module = plainText(e.module);
    switch (e.kind) {
    case PlantEvent::Kind::AlarmRaised:
    case PlantEvent::Kind::AlarmCleared:
        return QStringLiteral("Orvane alarm: %1 %2 %3 %4%5")
            .arg(module, plainText(e.name), QString::fromLatin1(formatTwoDecimals(e.value)),
                plainText(e.unit),
                e.kind == PlantEvent::Kind::AlarmCleared ? QStringLiteral(" cleared") : QString());
    case PlantEvent::Kind::ModuleLost:
        return QStringLiteral("Orvane: Module %1 lost").arg(module);
    case PlantEvent::Kind::ModuleBack:
        return QStringLiteral("Orvane: Module %1 back").arg(module);
    case PlantEvent::Kind::InterfaceLost:
        return QStringLiteral("Orvane: Interface %1 lost").arg(plainText(e.interfaceSerial));
    case PlantEvent::Kind::InterfaceBack:
        return QStringLiteral("Orvane: Interface %1 back").arg(plainText(e.interfaceSerial));
    case PlantEvent::Kind::Test:
        break;
    }
    return QStringLiteral("Orvane: test message");
}

// One event's block of the mail body.
QString bodyBlock(const Notice &n)
{
    const PlantEvent &e = n.event;
    QString block = plainText(e.text) + QLatin1Char('\n');
    block += QStringLiteral("  Event: %1\n").arg(QLatin1String(plantEventName(e.kind)));
    block += QStringLiteral("  Time: %1\n").arg(localTimeText(e.timeMs));
    if (isAlarm(e.kind)) {
        block += QStringLiteral("  Limits: high %1, low %2\n")
                     .arg(QString::fromLatin1(formatTwoDecimals(e.alarmHigh)),
                         QString::fromLatin1(formatTwoDecimals(e.alarmLow)));
    }
    if (n.heldBack > 0) {
        block += QStringLiteral("  Held back: %1 event(s) of this %2 since its previous message "
                                "(min-interval)\n")
                     .arg(n.heldBack)
                     .arg(isAlarm(e.kind) ? QStringLiteral("signal") : QStringLiteral("source"));
    }
    return block;
}

// The host part of a Message-ID: a name that needs no quoting.
QByteArray messageIdDomain(const QString &hostName)
{
    QByteArray domain;
    for (const QChar c : hostName) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'-' || c == u'.')
            domain += char(c.unicode());
    }
    return domain.isEmpty() ? QByteArray("orvane-monitor.invalid") : domain;
}
} // namespace

QByteArray webhookJson(const Notice &notice)
{
    const PlantEvent &e = notice.event;
    const bool alarm = isAlarm(e.kind);
    QJsonObject o;
    // Local time with its offset, which people and programs both read.
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(e.timeMs);
    o.insert(QStringLiteral("time"),
        local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("event"), QLatin1String(plantEventName(e.kind)));
    o.insert(QStringLiteral("interface"), orNull(e.interfaceSerial));
    o.insert(QStringLiteral("module"), orNull(e.module));
    o.insert(QStringLiteral("index"), alarm ? QJsonValue(e.index) : QJsonValue());
    o.insert(QStringLiteral("name"), alarm ? orNull(e.name) : QJsonValue());
    o.insert(QStringLiteral("value"), alarm ? numberOrNull(e.value) : QJsonValue());
    o.insert(QStringLiteral("unit"), alarm ? orNull(e.unit) : QJsonValue());
    o.insert(QStringLiteral("high"), alarm ? numberOrNull(e.alarmHigh) : QJsonValue());
    o.insert(QStringLiteral("low"), alarm ? numberOrNull(e.alarmLow) : QJsonValue());
    o.insert(QStringLiteral("text"), plainText(e.text));
    o.insert(QStringLiteral("held"), notice.heldBack);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString mailSubject(const std::vector<Notice> &notices)
{
    if (notices.size() == 1)
        return subjectOf(notices.front().event);
    return QStringLiteral("Orvane: %1 events").arg(notices.size());
}

QByteArray mailMessage(const MailEnvelope &envelope, const std::vector<Notice> &notices)
{
    QString body;
    if (envelope.dropped > 0) {
        body += QStringLiteral("%1 older event(s) were dropped: too many were waiting.\n\n")
                    .arg(envelope.dropped);
    }
    for (const Notice &n : notices)
        body += bodyBlock(n) + QLatin1Char('\n');
    body += QStringLiteral("-- \nSent by orvane-monitor on %1.\n").arg(envelope.hostName);

    const QByteArray messageId = QByteArray::number(QRandomGenerator::system()->generate64(), 16)
        + '.' + QByteArray::number(envelope.now.toMSecsSinceEpoch()) + '@'
        + messageIdDomain(envelope.hostName);
    QByteArray m;
    m += "Date: " + rfc5322Date(envelope.now) + "\r\n";
    m += "From: <" + envelope.from.toUtf8() + ">\r\n";
    QByteArrayList to;
    for (const QString &address : envelope.to)
        to += '<' + address.toUtf8() + '>';
    m += "To: " + to.join(",\r\n ") + "\r\n";
    m += "Subject: " + encodeHeaderText(mailSubject(notices)) + "\r\n";
    m += "Message-ID: <" + messageId + ">\r\n";
    m += "Auto-Submitted: auto-generated\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: quoted-printable\r\n";
    m += "\r\n";
    m += quotedPrintable(body.toUtf8());
    return m;
}

QByteArray encodeHeaderText(const QString &text)
{
    QString clean = text;
    bool ascii = true;
    for (QChar &c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
        ascii = ascii && c.unicode() < 0x80;
    }
    // "=?" could be read as the start of an encoded word; such text is
    // encoded as well. Plain text stays readable for people and filters.
    if (ascii && !clean.contains(QStringLiteral("=?")) && clean.size() <= 900)
        return clean.toLatin1();
    // Encoded words of at most 75 characters: 45 bytes of UTF-8 give 60 of
    // base64, cut only between characters.
    const QByteArray utf8 = clean.toUtf8();
    QByteArrayList words;
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = std::min(start + 45, utf8.size());
        while (end < utf8.size() && (uchar(utf8[end]) & 0xC0) == 0x80)
            --end;
        words += "=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        start = end;
    }
    return words.join("\r\n ");
}

QByteArray quotedPrintable(const QByteArray &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    QByteArrayList lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.removeLast();
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        QByteArray encoded;
        qsizetype width = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const uchar c = uchar(line[i]);
            const bool last = i == line.size() - 1;
            char piece[3] = { char(c), 0, 0 };
            qsizetype size = 1;
            if (!((c >= 33 && c <= 126 && c != '=') || (c == ' ' && !last))) {
                piece[0] = '=';
                piece[1] = hex[c >> 4];
                piece[2] = hex[c & 15];
                size = 3;
            }
            // A soft line break keeps every line at 76 characters or fewer.
            if (width + size > (last ? 76 : 75)) {
                encoded += "=\r\n";
                width = 0;
            }
            encoded.append(piece, size);
            width += size;
        }
        out += encoded + "\r\n";
    }
    return out;
}

QByteArray rfc5322Date(const QDateTime &time)
{
    static const char *const days[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
    static const char *const months[]
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const QDate date = time.date();
    const int offset = time.offsetFromUtc() / 60;
    const int minutes = std::abs(offset);
    return QByteArray(days[date.dayOfWeek() - 1]) + ", " + formatZeroPadded(date.day(), 2) + ' '
        + months[date.month() - 1] + ' ' + QByteArray::number(date.year()) + ' '
        + time.time().toString(QStringLiteral("hh:mm:ss")).toLatin1() + ' '
        + (offset < 0 ? '-' : '+') + formatZeroPadded(minutes / 60, 2)
        + formatZeroPadded(minutes % 60, 2);
}

QByteArray urlOrigin(const QString &url)
{
    const QUrl u(url);
    QByteArray origin = u.scheme().toLatin1() + "://" + u.host(QUrl::FullyEncoded).toLatin1();
    if (u.port() >= 0)
        origin += ':' + QByteArray::number(u.port());
    return origin;
}

} // namespace orvane
