#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace orvane {

// The broker connection and what is published ([mqtt] in the configuration
// file). MQTT is off while `host` is empty.
struct MqttSettings
{
    bool tls = false; // mqtts://
    QString host;
    int port = 1883; // 8883 for mqtts:// unless given
    QString clientId; // empty: "orvane-monitor-" + the interface's USB serial
    QString username;
    QByteArray password; // read from password-file; never logged
    QString caFile; // empty with TLS: the system's CAs
    QString certFile;
    QString keyFile;
    QString topicPrefix; // empty: "orvane/" + the interface's USB serial
    int qos = 1;
    int keepaliveS = 30;
    bool discovery = false;
    bool commands = false;

    bool enabled() const { return !host.isEmpty(); }
};

// How long notifications wait and try. Not in the configuration file: these
// are the program's values, and tests shorten them.
struct NotifyTiming
{
    int batchMs = 10000; // e-mail: events this close together share one message
    int batchMaxMs = 60000; // but a message waits no longer than this for more
    int retryFirstMs = 10000; // the first retry; each next one waits twice as long
    int retryMaxMs = 300000; // up to this
    int retryForMs = 3600000; // an event not delivered within this is dropped
    int connectTimeoutMs = 10000;
    int transferTimeoutMs = 30000; // a server that accepts and never answers
    int closeGraceMs = 3000; // at the end of the run: one last try for what waits
    int releaseCheckMs = 1000; // how often held-back events are looked at
    // The clock of min-interval (milliseconds, monotonic); empty: the steady
    // clock. Tests give the simulated one.
    std::function<qint64()> clockMs;
};

// Alarm notifications by e-mail and web hook ([notify]).
struct NotifySettings
{
    QString webhookUrl; // http:// or https://; empty: no web hook
    QString smtpUrl; // smtp://host:port or smtps://host:port; empty: no e-mail
    QString smtpUsername;
    QByteArray smtpPassword; // read from smtp-password-file; never logged
    QString mailFrom;
    QStringList mailTo;
    int minIntervalS = 300; // one signal's alarms at most this often
    bool raised = true; // which events are sent
    bool cleared = true;
    bool interface = true;
    bool module = true;
    NotifyTiming timing;

    bool enabled() const { return !webhookUrl.isEmpty() || !smtpUrl.isEmpty(); }
};

} // namespace orvane
