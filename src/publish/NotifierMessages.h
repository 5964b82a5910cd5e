#pragma once

#include "modules/ModuleSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvane {

// One event on its way to the people who are told about it.
struct Notice
{
    PlantEvent event;
    // Events of the same signal (or module, or interface) since its previous
    // message that were not sent because of min-interval; the event at hand
    // is one of them when it was itself held back and sent later.
    int heldBack = 0;
};

// The web hook's body for one event: a JSON object with "time", "event",
// "interface", "module", "index", "name", "value", "unit", "high", "low",
// "text" and "held"; what does not apply to the event is null. UTF-8.
QByteArray webhookJson(const Notice &notice);

// The subject of an e-mail holding `notices` (at least one).
QString mailSubject(const std::vector<Notice> &notices);

// What goes around the events of one e-mail.
struct MailEnvelope
{
    QString from;
    QStringList to;
    QString hostName; // of the machine that sends
    QDateTime now; // the Date header's time
    qint64 dropped = 0; // older events dropped because too many waited
};

// The whole message in RFC 5322 form with CR LF line ends: Date, From, To,
// Subject (RFC 2047 encoded when it is not plain ASCII), Message-ID,
// MIME headers, and a quoted-printable UTF-8 plain-text body with one block
// per event (its line, time with time zone, limits, held-back count) and the
// host name. Nothing from an event can end a header or the body early.
QByteArray mailMessage(const MailEnvelope &envelope, const std::vector<Notice> &notices);

// A header's text: as it is when it is printable ASCII, else UTF-8 encoded
// words ("=?UTF-8?B?...?=") of at most 75 characters, folded onto lines of
// their own. Control characters become "?" either way.
QByteArray encodeHeaderText(const QString &text);

// UTF-8 text (lines ending in LF or CR LF) as quoted-printable lines of at
// most 76 characters ending in CR LF.
QByteArray quotedPrintable(const QByteArray &text);

// "Sun, 06 Dec 2026 13:31:02 +0100": the Date header's form, in English
// whatever the locale.
QByteArray rfc5322Date(const QDateTime &time);

// "scheme://host[:port]" of a URL: what the event log may say about a
// server (a web hook's path and query often hold its secret).
QByteArray urlOrigin(const QString &url);

} // namespace orvane
