#include "MqttMessages.h"

#include "common/Text1252.h"

#include <QDateTime>

#include <charconv>
#include <cmath>

namespace orvane::mqtt {

namespace {
// A quoted JSON string of UTF-8 text: quotes, backslashes and control
// characters (C0, DEL and the C1 range) escaped.
QByteArray quotedUtf8(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = uchar(utf8[i]);
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && uchar(utf8[i + 1]) >= 0x80
            && uchar(utf8[i + 1]) <= 0x9F;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F || c1) {
            const uint code = c1 ? uchar(utf8[++i]) : c;
            out += "\\u00";
            out += QByteArray::number(code, 16).rightJustified(2, '0');
        } else {
            out += char(c);
        }
    }
    out += '"';
    return out;
}

// Discovery ids allow letters, digits, "_" and "-" only.
QByteArray idOf(const QByteArray &serial)
{
    QByteArray id = "orvane_" + serial;
    for (qsizetype i = 7; i < id.size(); ++i) {
        const char c = id[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '-'))
            id[i] = '_';
    }
    return id;
}

QByteArray deviceJson(const SlotSnapshot &module)
{
    return R"({"identifiers": [")" + idOf(module.serial) + R"("], "name": )"
        + jsonString("Orvane module " + module.serial)
        + R"(, "manufacturer": "Orvane", "model": "Type )" + QByteArray::number(module.type)
        + "\"}";
}

QByteArray configTopic(const char *component, const SlotSnapshot &module, const QByteArray &item)
{
    return QByteArray("homeassistant/") + component + '/' + idOf(module.serial) + '/' + item
        + "/config";
}
} // namespace

QByteArray topicLevel(const QByteArray &text)
{
    if (text.isEmpty())
        return "_";
    QByteArray level = text;
    for (char &c : level) {
        if (uchar(c) < 0x21 || uchar(c) > 0x7E || c == '/' || c == '+' || c == '#')
            c = '_';
    }
    return level;
}

QByteArray defaultTopicPrefix(const QByteArray &interfaceSerial)
{
    return "orvane/" + topicLevel(interfaceSerial);
}

QByteArray defaultClientId(const QByteArray &interfaceSerial)
{
    return "orvane-monitor-" + topicLevel(interfaceSerial);
}

QByteArray isoTime(qint64 timeMsUtc)
{
    return QDateTime::fromMSecsSinceEpoch(timeMsUtc, Qt::UTC)
        .toString(Qt::ISODateWithMs)
        .toLatin1();
}

QByteArray jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

QByteArray jsonString(const QByteArray &text1252)
{
    return quotedUtf8(fromWindows1252(text1252).toUtf8());
}

QByteArray stateJson(const SlotSnapshot &module, qint64 timeMs, quint64 cycle)
{
    QByteArray json;
    json.reserve(80 + qsizetype(module.signalList.size()) * 100);
    json += R"({"time": ")" + isoTime(timeMs) + R"(", "cycle": )" + QByteArray::number(cycle)
        + R"(, "serial": )" + jsonString(module.serial) + R"(, "type": )"
        + QByteArray::number(module.type) + R"(, "link": ")" + moduleLinkText(module.link)
        + R"(", "signals": [)";
    for (const SignalSnapshot &s : module.signalList) {
        if (&s != module.signalList.data())
            json += ", ";
        json += R"({"index": )" + QByteArray::number(s.index) + R"(, "name": )" + jsonString(s.name)
            + R"(, "value": )" + jsonNumber(s.value) + R"(, "unit": )" + jsonString(s.unit)
            + R"(, "alarm": )" + (s.alarm ? "true" : "false") + '}';
    }
    json += "]}";
    return json;
}

QByteArray alarmJson(const PlantEvent &e)
{
    return R"({"time": ")" + isoTime(e.timeMs) + R"(", "index": )" + QByteArray::number(e.index)
        + R"(, "name": )" + jsonString(e.name) + R"(, "value": )" + jsonNumber(e.value)
        + R"(, "unit": )" + jsonString(e.unit) + R"(, "high": )" + jsonNumber(e.alarmHigh)
        + R"(, "low": )" + jsonNumber(e.alarmLow) + R"(, "state": ")" + plantEventName(e.kind)
        + "\"}";
}

QByteArray modulesJson(const ModuleSnapshot &snapshot)
{
    QByteArray json = "[";
    for (size_t k = 0; k < snapshot.modules.size(); ++k) {
        const SlotSnapshot &m = snapshot.modules[k];
        if (!m.present)
            continue;
        if (json.size() > 1)
            json += ", ";
        json += R"({"serial": )" + jsonString(m.serial) + R"(, "type": )"
            + QByteArray::number(m.type) + R"(, "slot": )" + QByteArray::number(k + 1) + '}';
    }
    return json + ']';
}

QByteArray outputModeText(int mode)
{
    static const char *const texts[] = { "off", "on", "rule" };
    return mode >= 0 && mode <= 2 ? QByteArray(texts[mode]) : QByteArray("off");
}

int outputModeOf(const QByteArray &text)
{
    for (int mode = 0; mode <= 2; ++mode) {
        if (text == outputModeText(mode))
            return mode;
    }
    return -1;
}

QList<Message> discoveryMessages(
    const SlotSnapshot &module, const QByteArray &topicPrefix, const bool commands)
{
    QList<Message> out;
    const QByteArray base = topicPrefix + '/' + topicLevel(module.serial);
    const QByteArray common = R"(, "availability_topic": )" + quotedUtf8(topicPrefix + "/status")
        + R"(, "device": )" + deviceJson(module) + '}';
    const QByteArray id = idOf(module.serial);
    const QByteArray state = R"(, "state_topic": )" + quotedUtf8(base + "/state");
    for (const SignalSnapshot &s : module.signalList) {
        const QByteArray n = QByteArray::number(s.index);
        const QByteArray at = "value_json.signals[" + QByteArray::number(s.index - 1) + ']';
        QByteArray sensor = R"({"name": )" + jsonString(s.name) + R"(, "unique_id": ")" + id + '_'
            + n + '"' + state + R"(, "value_template": "{{ )" + at + R"(.value }}")";
        if (!s.unit.isEmpty())
            sensor += R"(, "unit_of_measurement": )" + jsonString(s.unit);
        sensor += R"(, "suggested_display_precision": )" + QByteArray::number(s.digits);
        out.append({ configTopic("sensor", module, n), sensor + common });
        out.append({ configTopic("binary_sensor", module, n + "_alarm"),
            R"({"name": )" + jsonString(s.name + " alarm") + R"(, "unique_id": ")" + id + '_' + n
                + R"(_alarm")" + state + R"(, "value_template": "{{ 'ON' if )" + at
                + R"(.alarm else 'OFF' }}", "device_class": "problem")" + common });
    }
    for (int output = 1; commands && output <= 2; ++output) {
        const QByteArray n = QByteArray::number(output);
        const QByteArray topic = base + "/output/" + n;
        out.append({ configTopic("switch", module, "output" + n),
            R"({"name": "Output )" + n + R"(", "unique_id": ")" + id + "_output" + n
                + R"(", "command_topic": )" + quotedUtf8(topic + "/set") + R"(, "state_topic": )"
                + quotedUtf8(topic)
                + R"(, "payload_on": "on", "payload_off": "off", "state_on": "on", )"
                + R"("state_off": "off")" + common });
    }
    return out;
}

QList<QByteArray> discoveryTopics(const SlotSnapshot &module, bool commands)
{
    QList<QByteArray> topics;
    for (const Message &m : discoveryMessages(module, QByteArray(), commands))
        topics.append(m.first);
    return topics;
}

} // namespace orvane::mqtt
