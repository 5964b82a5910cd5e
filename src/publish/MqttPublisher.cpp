#include "MqttPublisher.h"

#include "MqttLink.h"

#include <QHostAddress>

#include <fcntl.h>
#include <unistd.h>

namespace orvane {

namespace {
constexpr qsizetype kMaxWaitingItems = 100; // lines or commands for the session

bool isLoopback(const QString &host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || QHostAddress(host).isLoopback();
}
} // namespace

void MqttShared::wake()
{
    if (wakePending.exchange(true))
        return;
    const char byte = 1;
    // Non-blocking: a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1);
}

void MqttShared::toSession(const QByteArray &line)
{
    std::lock_guard lock(mutex);
    if (lines.size() >= kMaxWaitingItems)
        ++droppedLines;
    else
        lines.append(line);
    post();
}

void MqttShared::toSession(const MqttCommand &command)
{
    std::lock_guard lock(mutex);
    // Only the newest command per output matters; a flood of commands costs
    // the session at most one change per output and delivery.
    for (MqttCommand &waiting : commands) {
        if (waiting.serial == command.serial && waiting.output == command.output) {
            waiting.mode = command.mode;
            return;
        }
    }
    if (commands.size() >= kMaxWaitingItems)
        return;
    commands.append(command);
    post();
}

void MqttShared::post()
{
    if (!receiver || delivering)
        return;
    delivering = true;
    auto *publisher = static_cast<MqttPublisher *>(receiver);
    QMetaObject::invokeMethod(
        publisher, [publisher] { publisher->deliver(true); }, Qt::QueuedConnection);
}

MqttShared::~MqttShared()
{
    if (wakeRead >= 0)
        ::close(wakeRead);
    if (wakeWrite >= 0)
        ::close(wakeWrite);
}

MqttPublisher::MqttPublisher(const MqttSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_shared(std::make_shared<MqttShared>())
{
}

MqttPublisher::~MqttPublisher()
{
    finish(2000);
}

void MqttPublisher::start()
{
    if (m_thread.joinable())
        return;
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        Q_EMIT eventLogLine("MQTT publishing could not start: no wake-up pipe");
        return;
    }
    m_shared->wakeRead = fds[0];
    m_shared->wakeWrite = fds[1];
    m_shared->receiver = this;
    if (!m_settings.tls && (!m_settings.username.isEmpty() || !m_settings.password.isEmpty())
        && !isLoopback(m_settings.host)) {
        Q_EMIT eventLogLine("MQTT warning: the user name and password go unencrypted to "
            + m_settings.host.toUtf8() + "; use mqtts://");
    }
    m_thread = std::thread(runMqttLink, m_shared, m_settings);
}

void MqttPublisher::takeCycle(const SnapshotPtr &snapshot)
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->cycle = snapshot;
        m_shared->latest = snapshot;
        if (m_shared->interfaceSerial.isEmpty())
            m_shared->interfaceSerial = snapshot->interfaceSerial;
    }
    wake();
}

void MqttPublisher::takeChange(const SnapshotPtr &snapshot)
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->latest = snapshot;
        m_shared->changed = true;
        if (m_shared->interfaceSerial.isEmpty())
            m_shared->interfaceSerial = snapshot->interfaceSerial;
    }
    wake();
}

void MqttPublisher::takeEvent(const PlantEvent &event)
{
    if (event.kind != PlantEvent::Kind::AlarmRaised && event.kind != PlantEvent::Kind::AlarmCleared)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->events.size() >= size_t(kMaxKeptEvents)) {
            m_shared->events.pop_front();
            ++m_shared->droppedEvents;
        }
        m_shared->events.push_back(event);
    }
    wake();
}

void MqttPublisher::wake()
{
    if (m_thread.joinable())
        m_shared->wake();
}

void MqttPublisher::requestStop()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    wake();
}

void MqttPublisher::finish(int waitMs)
{
    requestStop();
    if (!m_thread.joinable())
        return;
    std::unique_lock lock(m_shared->mutex);
    const bool ended = m_shared->finishedChanged.wait_for(
        lock, std::chrono::milliseconds(waitMs), [this] { return m_shared->finished; });
    m_shared->receiver = nullptr;
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
    deliver(false); // the lines that came back before the end; no more commands
}

void MqttPublisher::deliver(bool commandsToo)
{
    QList<QByteArray> lines;
    QList<MqttCommand> commands;
    qint64 dropped = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->delivering = false;
        lines.swap(m_shared->lines);
        commands.swap(m_shared->commands);
        std::swap(dropped, m_shared->droppedLines);
    }
    for (const QByteArray &line : std::as_const(lines))
        Q_EMIT eventLogLine(line);
    if (dropped > 0)
        Q_EMIT eventLogLine("MQTT: " + QByteArray::number(dropped) + " more lines dropped");
    for (const MqttCommand &c : std::as_const(commands)) {
        if (commandsToo)
            Q_EMIT outputCommand(c.serial, c.output, c.mode);
    }
}

} // namespace orvane
