#pragma once

#include "modules/ModuleSnapshot.h"

#include <QByteArray>
#include <QList>
#include <QPair>

namespace orvane {

// Topics and payloads of the MQTT publisher. Texts of the system are
// Windows-1252 bytes; topics and JSON carry UTF-8.
namespace mqtt {

using Message = QPair<QByteArray, QByteArray>; // topic, payload

// One topic level from a text that came from outside (a serial number):
// bytes outside the printable ASCII range and "/", "+", "#" become "_", so
// the text can neither split the topic nor act as a wildcard. Empty: "_".
QByteArray topicLevel(const QByteArray &text);

// "orvane/" + the interface's serial number, and "orvane-monitor-" + it.
QByteArray defaultTopicPrefix(const QByteArray &interfaceSerial);
QByteArray defaultClientId(const QByteArray &interfaceSerial);

// "2026-12-06T13:31:02.180Z".
QByteArray isoTime(qint64 timeMsUtc);
// The shortest text that reads back as the same double; "null" when the
// value is not finite.
QByteArray jsonNumber(double value);
// A quoted JSON string of Windows-1252 text.
QByteArray jsonString(const QByteArray &text1252);

// A module's state: time, cycle, serial, type, link and its signals.
QByteArray stateJson(const SlotSnapshot &module, qint64 timeMs, quint64 cycle);
// One alarm raised or cleared.
QByteArray alarmJson(const PlantEvent &event);
// The present modules: serial, type and slot each.
QByteArray modulesJson(const ModuleSnapshot &snapshot);

// Output modes on the wire: 0 "off", 1 "on", 2 "rule"; -1 for another text.
QByteArray outputModeText(int mode);
int outputModeOf(const QByteArray &text);

// Home Assistant discovery for one module: a sensor and an alarm binary
// sensor per signal, a switch per output with `commands`; each a retained
// message on "homeassistant/...". The topics only, for clearing, come from
// discoveryTopics.
QList<Message> discoveryMessages(
    const SlotSnapshot &module, const QByteArray &topicPrefix, bool commands);
QList<QByteArray> discoveryTopics(const SlotSnapshot &module, bool commands);

} // namespace mqtt
} // namespace orvane
