#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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

    bool enabled() const { return !webhookUrl.isEmpty() || !smtpUrl.isEmpty(); }
};

} // namespace orvane
