// The broker connection of MqttPublisher, on a thread of its own. It sleeps
// in poll() on the broker socket and a wake-up pipe, and lets libmosquitto do
// the protocol (mosquitto_loop with no wait). Connecting, the backoff and the
// bounded hand-over are ours, so that a broker that is down, unreachable or
// silent costs the session nothing.
#include "MqttLink.h"

#include "MqttMessages.h"
#include "MqttPublisher.h"
#include "common/Text1252.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <set>

namespace orvane {

namespace {
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The largest packet the broker may send us (commands and the module list
// are small); the broker drops bigger ones instead of filling our memory.
constexpr int kMaxPacketBytes = 64 * 1024;
// Messages handed to libmosquitto and not yet sent (QoS 0) or acknowledged
// (QoS 1). Above it nothing more is taken over: a slow broker leaves the
// newest state and the bounded event queue waiting instead of a growing
// queue inside the library.
constexpr int kMaxUnfinished = 500;
// A scan announces each band; the module list waits until they settle.
constexpr auto kListSettle = 1000ms;
constexpr auto kGoodbyeTime = 1000ms;
constexpr int kMaxBackoffS = 60;
constexpr int kMaxModuleSignals = 16;

std::once_flag g_libraryInit;

int msUntil(Clock::time_point t)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now());
    return int(std::clamp<qint64>(ms.count(), 0, 1000));
}

// Text from the broker for an event-log line: printable ASCII, cut short.
QByteArray printable(const QByteArray &text, qsizetype max = 80)
{
    QByteArray out = text.left(max);
    for (char &c : out) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7E)
            c = '?';
    }
    return text.size() > max ? out + "..." : out;
}

class MqttLink
{
public:
    MqttLink(std::shared_ptr<MqttShared> shared, MqttSettings settings)
        : m_shared(std::move(shared))
        , m_s(std::move(settings))
        , m_host(m_s.host.toUtf8())
    {
        m_hostPort = (m_s.host.contains(u':') ? '[' + m_host + ']' : m_host) + ':'
            + QByteArray::number(m_s.port);
    }
    ~MqttLink()
    {
        if (m_mosq)
            mosquitto_destroy(m_mosq);
    }
    void run();

private:
    bool stopRequested()
    {
        std::lock_guard lock(m_shared->mutex);
        return m_shared->stop;
    }
    bool waitForIdentity();
    bool setUp();
    void attempt();
    void service(int timeoutMs);
    void ended(int rc);
    QByteArray reasonFor(int rc) const;
    void takeOver();
    void flush();
    void publishModules();
    void applyList(const ModuleSnapshot &snapshot);
    void clearModule(const SlotSnapshot &module);
    void publish(const QByteArray &topic, const QByteArray &payload, bool retain, int qos = -1);
    void publishChanged(const QByteArray &topic, const QByteArray &payload);
    QByteArray moduleTopic(const QByteArray &serial) const
    {
        return m_prefix + '/' + mqtt::topicLevel(serial);
    }
    void goodbye();

    // libmosquitto's callbacks, on this thread, inside its calls.
    void connected(int rc);
    void received(const mosquitto_message &message);
    void command(const QByteArray &topic, const QByteArray &payload);
    void oldList(const QByteArray &payload);
    void logged(int level, const char *text);

    std::shared_ptr<MqttShared> m_shared;
    const MqttSettings m_s;
    const QByteArray m_host;
    QByteArray m_hostPort;
    QByteArray m_clientId;
    QByteArray m_prefix;
    mosquitto *m_mosq = nullptr;

    // The connection.
    bool m_socket = false; // an attempt or a connection holds a socket
    bool m_up = false; // the broker accepted us
    bool m_outage = false; // this outage's line is written
    bool m_leaving = false;
    int m_backoffS = 1;
    Clock::time_point m_nextAttempt;
    QByteArray m_refusal; // the broker's reason for refusing us
    QByteArray m_libraryError; // the library's first error of this attempt
    int m_errno = 0;
    int m_unfinished = 0;

    // What is published.
    SnapshotPtr m_cycle; // the newest cycle
    bool m_cycleSent = true;
    SnapshotPtr m_latest; // the newest of either kind
    bool m_detailsDue = true; // discovery and outputs after a change or a connect
    std::map<QByteArray, SlotSnapshot> m_listed; // serial: the module as last listed
    bool m_listKnown = false;
    QByteArray m_listJson;
    QByteArray m_candidate; // a different list, waiting to settle
    Clock::time_point m_candidateSince;
    std::set<QByteArray> m_stale; // listed by an earlier run, not found now
    QHash<QByteArray, QByteArray> m_retained; // topic: payload sent on this connection
    std::deque<PlantEvent> m_events;
};

void MqttLink::run()
{
    if (!waitForIdentity() || !setUp()) {
        while (!stopRequested())
            service(1000);
        return;
    }
    while (!stopRequested()) {
        if (!m_socket && Clock::now() >= m_nextAttempt)
            attempt();
        int timeout = m_socket ? 1000 : msUntil(m_nextAttempt);
        if (!m_candidate.isEmpty())
            timeout = std::min(timeout, msUntil(m_candidateSince + kListSettle));
        service(timeout);
        takeOver();
        flush();
    }
    goodbye();
}

bool MqttLink::waitForIdentity()
{
    m_clientId = m_s.clientId.toUtf8();
    m_prefix = m_s.topicPrefix.toUtf8();
    while (m_clientId.isEmpty() || m_prefix.isEmpty()) {
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->stop)
                return false;
            if (!m_shared->interfaceSerial.isEmpty()) {
                if (m_clientId.isEmpty())
                    m_clientId = mqtt::defaultClientId(m_shared->interfaceSerial);
                if (m_prefix.isEmpty())
                    m_prefix = mqtt::defaultTopicPrefix(m_shared->interfaceSerial);
                break;
            }
        }
        service(1000);
    }
    return true;
}

bool MqttLink::setUp()
{
    std::call_once(g_libraryInit, [] { mosquitto_lib_init(); });
    m_mosq = mosquitto_new(m_clientId.constData(), true, this);
    if (!m_mosq) {
        m_shared->toSession("MQTT publishing could not start: " + QByteArray(std::strerror(errno)));
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_callback_set(m_mosq,
        [](mosquitto *, void *link, int rc) { static_cast<MqttLink *>(link)->connected(rc); });
    mosquitto_message_callback_set(m_mosq, [](mosquitto *, void *link, const mosquitto_message *m) {
        static_cast<MqttLink *>(link)->received(*m);
    });
    mosquitto_publish_callback_set(m_mosq, [](mosquitto *, void *link, int) {
        auto *self = static_cast<MqttLink *>(link);
        self->m_unfinished = std::max(0, self->m_unfinished - 1);
    });
    mosquitto_log_callback_set(m_mosq, [](mosquitto *, void *link, int level, const char *text) {
        static_cast<MqttLink *>(link)->logged(level, text);
    });
    const QByteArray status = m_prefix + "/status";
    int rc = mosquitto_will_set(m_mosq, status.constData(), 7, "offline", m_s.qos, true);
    if (rc == MOSQ_ERR_SUCCESS && (!m_s.username.isEmpty() || !m_s.password.isEmpty())) {
        const QByteArray user = m_s.username.toUtf8();
        rc = mosquitto_username_pw_set(m_mosq, user.isEmpty() ? nullptr : user.constData(),
            m_s.password.isEmpty() ? nullptr : m_s.password.constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && m_s.tls) {
        // Without a CA file the system's CAs are trusted.
        const QByteArray ca = m_s.caFile.toLocal8Bit();
        const QByteArray cert = m_s.certFile.toLocal8Bit();
        const QByteArray key = m_s.keyFile.toLocal8Bit();
        if (ca.isEmpty())
            mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        rc = mosquitto_tls_set(m_mosq, ca.isEmpty() ? nullptr : ca.constData(),
            ca.isEmpty() ? X509_get_default_cert_dir() : nullptr,
            cert.isEmpty() ? nullptr : cert.constData(), key.isEmpty() ? nullptr : key.constData(),
            nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        m_shared->toSession("MQTT publishing to " + m_hostPort
            + " could not start: " + QByteArray(mosquitto_strerror(rc)));
        return false;
    }
    return true;
}

void MqttLink::attempt()
{
    m_refusal.clear();
    m_libraryError.clear();
    m_unfinished = 0;
    mosquitto_property *properties = nullptr;
    mosquitto_property_add_int32(&properties, MQTT_PROP_MAXIMUM_PACKET_SIZE, kMaxPacketBytes);
    // Blocks for the name lookup and the TCP connect only; the TLS handshake
    // and the broker's answer come through the loop.
    errno = 0;
    const int rc = mosquitto_connect_bind_v5(
        m_mosq, m_host.constData(), m_s.port, m_s.keepaliveS, nullptr, properties);
    m_errno = errno;
    mosquitto_property_free_all(&properties);
    if (rc == MOSQ_ERR_SUCCESS)
        m_socket = true;
    else
        ended(rc);
}

void MqttLink::service(int timeoutMs)
{
    pollfd fds[2] = { { m_shared->wakeRead, POLLIN, 0 }, { -1, 0, 0 } };
    const int fd = m_socket ? mosquitto_socket(m_mosq) : -1;
    if (fd >= 0)
        fds[1] = { fd, short(POLLIN | (mosquitto_want_write(m_mosq) ? POLLOUT : 0)), 0 };
    ::poll(fds, fd >= 0 ? 2 : 1, m_socket && fd < 0 ? 0 : timeoutMs);
    if (fds[0].revents) {
        m_shared->wakePending = false;
        char buffer[64];
        while (::read(m_shared->wakeRead, buffer, sizeof buffer) > 0) { }
    }
    if (!m_socket)
        return;
    errno = 0;
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    m_errno = errno;
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_mosq) < 0)
        ended(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc);
}

// The socket is gone, or the attempt failed: one line per outage, then the
// next attempt after the backoff (1 s after a working connection, doubling
// up to 60 s while attempts fail).
void MqttLink::ended(int rc)
{
    if (m_up)
        m_backoffS = 1;
    m_up = false;
    m_socket = false;
    if (m_leaving)
        return;
    if (!m_outage) {
        m_outage = true;
        m_shared->toSession(
            "MQTT connection to " + m_hostPort + " lost: " + reasonFor(rc) + "; retrying");
    }
    m_nextAttempt = Clock::now() + std::chrono::seconds(m_backoffS);
    m_backoffS = std::min(m_backoffS * 2, kMaxBackoffS);
}

QByteArray MqttLink::reasonFor(int rc) const
{
    if (!m_refusal.isEmpty())
        return "refused by the broker: " + m_refusal;
    if (!m_libraryError.isEmpty())
        return m_libraryError;
    switch (rc) {
    case MOSQ_ERR_ERRNO:
        return m_errno ? QByteArray(std::strerror(m_errno)) : QByteArray("connection failed");
    case MOSQ_ERR_KEEPALIVE:
        return "no answer from the broker within the keepalive time";
    case MOSQ_ERR_CONN_LOST:
        return "the connection was closed";
    case MOSQ_ERR_EAI:
        return "the host name could not be resolved";
    default:
        QByteArray text = mosquitto_strerror(rc);
        if (text.endsWith('.'))
            text.chop(1);
        return text;
    }
}

void MqttLink::logged(int level, const char *text)
{
    if (level != MOSQ_LOG_ERR || !m_libraryError.isEmpty())
        return;
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify
    // failed" becomes "TLS: certificate verify failed", with the reason the
    // certificate was not trusted when there is one.
    QByteArray error(text);
    if (error.startsWith("OpenSSL Error")) {
        const qsizetype colons = error.lastIndexOf("::");
        error = "TLS: " + (colons >= 0 ? error.mid(colons + 2) : error);
        const auto *ssl = static_cast<const SSL *>(mosquitto_ssl_get(m_mosq));
        const long verify = ssl ? SSL_get_verify_result(ssl) : X509_V_OK;
        if (verify != X509_V_OK)
            error += QByteArray(" (") + X509_verify_cert_error_string(verify) + ')';
    } else if (error.startsWith("Error: ")) {
        error = error.mid(7);
    }
    if (error.endsWith('.'))
        error.chop(1);
    m_libraryError = printable(error, 200);
}

void MqttLink::connected(int rc)
{
    if (rc != 0) {
        // The broker closes the connection next; ended() says why.
        m_refusal = mosquitto_reason_string(rc);
        return;
    }
    m_up = true;
    m_outage = false;
    m_backoffS = 1;
    m_retained.clear();
    m_cycleSent = !m_cycle;
    m_detailsDue = true;
    // The birth message on every connect: a broker that restarted without
    // its retained store, or a will sent after a network break, would
    // otherwise leave "offline" standing.
    publish(m_prefix + "/status", "online", true);
    if (m_s.commands) {
        const QByteArray commands = m_prefix + "/+/output/+/set";
        mosquitto_subscribe_v5(m_mosq, nullptr, commands.constData(), m_s.qos,
            MQTT_SUB_OPT_NO_LOCAL | MQTT_SUB_OPT_SEND_RETAIN_NEVER, nullptr);
    }
    // The list an earlier run left: its modules not found now are cleared.
    const QByteArray modules = m_prefix + "/modules";
    mosquitto_subscribe_v5(m_mosq, nullptr, modules.constData(), 0, MQTT_SUB_OPT_NO_LOCAL, nullptr);
    m_shared->toSession("MQTT connected to " + m_hostPort);
}

void MqttLink::received(const mosquitto_message &message)
{
    const QByteArray topic(message.topic);
    const QByteArray payload(static_cast<const char *>(message.payload), message.payloadlen);
    if (topic == m_prefix + "/modules") {
        const QByteArray modules = m_prefix + "/modules";
        mosquitto_unsubscribe(m_mosq, nullptr, modules.constData());
        oldList(payload);
    } else if (m_s.commands) {
        command(topic, payload);
    }
}

// "<serial>/output/<1|2>/set" with "on", "off" or "rule"; anything else below
// the prefix is refused with a line.
void MqttLink::command(const QByteArray &topic, const QByteArray &payload)
{
    const QList<QByteArray> levels = topic.mid(m_prefix.size() + 1).split('/');
    const int output = levels.size() == 4 ? levels[2].toInt() : 0;
    const int mode = mqtt::outputModeOf(payload);
    const auto module = std::find_if(m_listed.cbegin(), m_listed.cend(),
        [&](const auto &entry) { return mqtt::topicLevel(entry.first) == levels.value(0); });
    QByteArray problem;
    if (output < 1 || output > 2 || levels.value(2).size() != 1 || levels.value(1) != "output")
        problem = "no such output";
    else if (module == m_listed.cend())
        problem = "no such module";
    else if (mode < 0)
        problem = "not on, off or rule";
    if (problem.isEmpty()) {
        m_shared->toSession(MqttCommand { module->first, output, mode });
        return;
    }
    m_shared->toSession("MQTT command ignored (" + problem + "): " + printable(topic) + ' '
        + printable(payload, 40));
}

void MqttLink::oldList(const QByteArray &payload)
{
    const QJsonArray list = QJsonDocument::fromJson(payload).array();
    for (const QJsonValue &entry : list) {
        const QByteArray serial = toWindows1252(entry.toObject().value(u"serial").toString());
        if (!serial.isEmpty() && !m_listed.contains(serial))
            m_stale.insert(serial);
    }
    if (m_listKnown && !m_stale.empty() && m_latest)
        applyList(*m_latest);
}

void MqttLink::takeOver()
{
    qint64 dropped = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->cycle) {
            m_cycle = std::move(m_shared->cycle);
            m_cycleSent = false;
        }
        if (m_shared->latest)
            m_latest = std::move(m_shared->latest);
        m_detailsDue = m_detailsDue || std::exchange(m_shared->changed, false);
        if (m_up && m_unfinished < kMaxUnfinished) {
            m_events.swap(m_shared->events);
            std::swap(dropped, m_shared->droppedEvents);
        }
    }
    if (dropped > 0) {
        m_shared->toSession("MQTT: " + QByteArray::number(dropped)
            + " alarm events were dropped while the broker could not be reached");
    }
}

void MqttLink::flush()
{
    if (!m_up)
        return;
    if (m_latest)
        publishModules();
    if (!m_cycleSent && m_unfinished < kMaxUnfinished) {
        m_cycleSent = true;
        for (const SlotSnapshot &module : m_cycle->modules) {
            if (module.present && m_listed.contains(module.serial)) {
                publish(moduleTopic(module.serial) + "/state",
                    mqtt::stateJson(module, m_cycle->timeMs, m_cycle->cycle), true);
            }
        }
    }
    for (const PlantEvent &e : m_events)
        publish(moduleTopic(e.module) + "/alarm", mqtt::alarmJson(e), false);
    m_events.clear();
}

// The module list (at once after a cycle, when the scan is over; otherwise
// once a scan's steps have settled), the outputs' modes and discovery.
void MqttLink::publishModules()
{
    const QByteArray list = mqtt::modulesJson(*m_latest);
    if (list != m_listJson || !m_stale.empty()) {
        if (list != m_candidate) {
            m_candidate = list;
            m_candidateSince = Clock::now();
        }
        if (m_latest == m_cycle || Clock::now() >= m_candidateSince + kListSettle)
            applyList(*m_latest);
    }
    if (m_listKnown)
        publishChanged(m_prefix + "/modules", m_listJson);
    for (const SlotSnapshot &module : m_latest->modules) {
        if (!module.present || !m_listed.contains(module.serial))
            continue;
        const QByteArray base = moduleTopic(module.serial);
        if (m_s.commands) {
            publishChanged(base + "/output/1", mqtt::outputModeText(module.outputMode1));
            publishChanged(base + "/output/2", mqtt::outputModeText(module.outputMode2));
        }
        if (m_s.discovery && m_detailsDue) {
            for (const mqtt::Message &m : mqtt::discoveryMessages(module, m_prefix, m_s.commands))
                publishChanged(m.first, m.second);
        }
    }
    m_detailsDue = false;
}

// The present modules become the list; those no longer found (also those an
// earlier run listed) get their retained messages cleared, so no dashboard
// shows an old value as current.
void MqttLink::applyList(const ModuleSnapshot &snapshot)
{
    std::map<QByteArray, SlotSnapshot> listed;
    for (const SlotSnapshot &module : snapshot.modules) {
        if (module.present)
            listed[module.serial] = module;
    }
    for (const auto &[serial, module] : m_listed) {
        if (!listed.contains(serial))
            clearModule(module);
    }
    for (const QByteArray &serial : m_stale) {
        if (!listed.contains(serial)) {
            SlotSnapshot module;
            module.serial = serial;
            module.signalList.resize(kMaxModuleSignals);
            for (int i = 0; i < kMaxModuleSignals; ++i)
                module.signalList[size_t(i)].index = i + 1;
            clearModule(module);
        }
    }
    m_stale.clear();
    m_listed = std::move(listed);
    m_listJson = mqtt::modulesJson(snapshot);
    m_listKnown = true;
    m_candidate.clear();
    m_detailsDue = true;
}

void MqttLink::clearModule(const SlotSnapshot &module)
{
    const QByteArray base = moduleTopic(module.serial);
    QList<QByteArray> topics { base + "/state", base + "/output/1", base + "/output/2" };
    if (m_s.discovery)
        topics += mqtt::discoveryTopics(module, true);
    for (const QByteArray &topic : std::as_const(topics)) {
        publish(topic, QByteArray(), true);
        m_retained.remove(topic);
    }
}

void MqttLink::publish(const QByteArray &topic, const QByteArray &payload, bool retain, int qos)
{
    if (mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()),
            payload.constData(), qos < 0 ? m_s.qos : qos, retain)
        == MOSQ_ERR_SUCCESS)
        ++m_unfinished;
}

// Retained messages that rarely change go out once per connection and again
// only when they differ.
void MqttLink::publishChanged(const QByteArray &topic, const QByteArray &payload)
{
    auto it = m_retained.find(topic);
    if (it != m_retained.end() && *it == payload)
        return;
    m_retained.insert(topic, payload);
    publish(topic, payload, true);
}

// "offline" and a normal disconnect (which drops the will), given at most a
// second. QoS 0, so it goes out in order with the disconnect even while QoS 1
// messages wait for their acknowledgements.
void MqttLink::goodbye()
{
    m_leaving = true;
    if (!m_up)
        return;
    publish(m_prefix + "/status", "offline", true, 0);
    mosquitto_disconnect_v5(m_mosq, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    const auto deadline = Clock::now() + kGoodbyeTime;
    while (m_socket && mosquitto_socket(m_mosq) >= 0 && Clock::now() < deadline)
        service(std::max(1, msUntil(deadline)));
}
} // namespace

void runMqttLink(std::shared_ptr<MqttShared> shared, MqttSettings settings)
{
    {
        MqttLink link(shared, std::move(settings));
        link.run();
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->finishedChanged.notify_all();
}

} // namespace orvane
