#include "SimDriver.h"

#include <algorithm>
#include <cstring>

namespace orvane {

namespace {

// What the listed devices claim to be: an FT232R chip.
constexpr DWORD kSimDeviceType = 5;
constexpr DWORD kSimDeviceId = 0x04036001;
constexpr qsizetype kMaxStoredFrame = 1024;

} // namespace

struct SimDriver::Port
{
    struct Pending
    {
        qint64 readyAtMs;
        QByteArray bytes;
    };

    const ScenarioDevice *device = nullptr;
    qint64 openedAtMs = 0;
    DWORD readTimeoutMs = kDefaultTimeoutMs;
    DWORD writeTimeoutMs = kDefaultTimeoutMs;
    std::deque<Pending> pending;
    QByteArray received;
};

SimDriver::SimDriver(const Scenario &scenario)
    : m_ownClock(std::make_unique<SteadySimClock>())
    , m_clock(m_ownClock.get())
    , m_startMs(m_clock->nowMs())
    , m_scenario(scenario)
    , m_interface(scenario)
{
    prepareReplug();
}

SimDriver::SimDriver(const Scenario &scenario, SimClock &clock)
    : m_clock(&clock)
    , m_startMs(clock.nowMs())
    , m_scenario(scenario)
    , m_interface(scenario)
{
    prepareReplug();
}

SimDriver::~SimDriver() = default;

void SimDriver::prepareReplug()
{
    for (const ScenarioDevice &device : m_scenario.devices) {
        if (device.isInterface)
            m_replugged = device;
    }
    if (!m_scenario.replugSerial.isEmpty())
        m_replugged.serial = m_scenario.replugSerial;
    if (m_scenario.replugLocation != 0)
        m_replugged.location = m_scenario.replugLocation;
}

qint64 SimDriver::elapsedMs()
{
    return m_clock->nowMs() - m_startMs;
}

bool SimDriver::unplugged()
{
    const qint64 now = elapsedMs();
    return m_scenario.unplugAfterMs > 0 && now >= m_scenario.unplugAfterMs
        && !(m_scenario.replugAfterMs > 0 && now >= m_scenario.replugAfterMs);
}

bool SimDriver::deadPort(const Port &port)
{
    return port.device->isInterface && m_scenario.unplugAfterMs > 0
        && port.openedAtMs < m_scenario.unplugAfterMs && elapsedMs() >= m_scenario.unplugAfterMs;
}

std::vector<const ScenarioDevice *> SimDriver::listedDevices()
{
    const bool gone = unplugged();
    const bool back = m_scenario.replugAfterMs > 0 && elapsedMs() >= m_scenario.replugAfterMs;
    std::vector<const ScenarioDevice *> devices;
    for (const ScenarioDevice &device : m_scenario.devices) {
        if (!(device.isInterface && (gone || back)))
            devices.push_back(&device);
    }
    // A device attached anew comes last, behind those that stayed.
    if (back)
        devices.push_back(&m_replugged);
    return devices;
}

FT_STATUS SimDriver::usablePort(FT_HANDLE handle, Port *&port)
{
    port = m_ports.find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (deadPort(*port))
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS SimDriver::FT_ListDevices(void *pArg1, void *, DWORD Flags)
{
    return listDevicesNumberOnly(pArg1, Flags, static_cast<DWORD>(listedDevices().size()));
}

FT_STATUS SimDriver::FT_CreateDeviceInfoList(DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    m_snapshot.clear();
    for (const ScenarioDevice *device : listedDevices()) {
        FT_DEVICE_LIST_INFO_NODE node;
        node.Type = kSimDeviceType;
        node.ID = kSimDeviceId;
        node.LocId = device->location;
        for (const auto &port : m_ports.ports()) {
            if (port->device == device && !deadPort(*port)) {
                node.Flags |= 1; // opened
                node.ftHandle = port.get();
            }
        }
        setDeviceInfoText(node, device->serial, device->description);
        m_snapshot.push_back(node);
    }
    *lpdwNumDevs = static_cast<DWORD>(m_snapshot.size());
    return FT_OK;
}

FT_STATUS SimDriver::FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    return copyDeviceInfoList(m_snapshot, pDest, lpdwNumDevs);
}

FT_STATUS SimDriver::FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle)
{
    if (!pHandle)
        return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    if (Flags != FT_OPEN_BY_LOCATION)
        return FT_NOT_SUPPORTED;
    const DWORD location = locationFromArg(pArg1);
    for (const ScenarioDevice *device : listedDevices()) {
        if (device->location != location)
            continue;
        // Already open, as with a real chip; a handle from before an unplug
        // does not hold the new attachment.
        for (const auto &port : m_ports.ports()) {
            if (port->device == device && !deadPort(*port))
                return FT_DEVICE_NOT_OPENED;
        }
        auto port = std::make_unique<Port>();
        port->device = device;
        port->openedAtMs = elapsedMs();
        *pHandle = m_ports.add(std::move(port));
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS SimDriver::FT_Close(FT_HANDLE ftHandle)
{
    return m_ports.take(ftHandle) ? FT_OK : FT_INVALID_HANDLE;
}

FT_STATUS SimDriver::FT_ResetDevice(FT_HANDLE ftHandle)
{
    Port *port = nullptr;
    const FT_STATUS status = usablePort(ftHandle, port);
    if (status == FT_OK)
        port->received.clear(); // the chip's buffer; answers on the air still come
    return status;
}

FT_STATUS SimDriver::FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate)
{
    Port *port = nullptr;
    const FT_STATUS status = usablePort(ftHandle, port);
    if (status == FT_OK && BaudRate == 0)
        return FT_INVALID_BAUD_RATE;
    return status;
}

FT_STATUS SimDriver::FT_SetFlowControl(
    FT_HANDLE ftHandle, std::uint16_t FlowControl, unsigned char, unsigned char)
{
    Port *port = nullptr;
    const FT_STATUS status = usablePort(ftHandle, port);
    const bool known = FlowControl == FT_FLOW_NONE || FlowControl == 0x0100 || FlowControl == 0x0200
        || FlowControl == 0x0400;
    if (status == FT_OK && !known)
        return FT_INVALID_PARAMETER;
    return status;
}

FT_STATUS SimDriver::FT_SetTimeouts(FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout)
{
    Port *port = nullptr;
    const FT_STATUS status = usablePort(ftHandle, port);
    if (status == FT_OK) {
        port->readTimeoutMs = ReadTimeout;
        port->writeTimeoutMs = WriteTimeout;
    }
    return status;
}

void SimDriver::deliver(Port &port)
{
    const qint64 now = elapsedMs();
    while (!port.pending.empty() && port.pending.front().readyAtMs <= now) {
        port.received += port.pending.front().bytes;
        port.pending.pop_front();
    }
    if (port.received.size() > kReceiveBufferBytes)
        port.received.remove(0, port.received.size() - kReceiveBufferBytes);
}

FT_STATUS SimDriver::FT_Read(
    FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead, DWORD *lpdwBytesReturned)
{
    if (!lpdwBytesReturned)
        return FT_INVALID_PARAMETER;
    *lpdwBytesReturned = 0;
    Port *port = nullptr;
    FT_STATUS status = usablePort(ftHandle, port);
    if (status != FT_OK)
        return status;
    if (!lpBuffer && dwBytesToRead > 0)
        return FT_INVALID_PARAMETER;
    if (dwBytesToRead == 0)
        return FT_OK;

    deliver(*port);
    if (port->received.isEmpty() && port->readTimeoutMs > 0) {
        // Sleep until the first answer on its way arrives, or the time-out.
        qint64 wait = port->readTimeoutMs;
        if (!port->pending.empty())
            wait = std::clamp<qint64>(port->pending.front().readyAtMs - elapsedMs(), 0, wait);
        m_clock->sleepMs(wait);
        status = usablePort(ftHandle, port); // it may have been unplugged meanwhile
        if (status != FT_OK)
            return status;
        deliver(*port);
    }
    const qsizetype count = std::min<qsizetype>(port->received.size(), dwBytesToRead);
    if (count > 0)
        std::memcpy(lpBuffer, port->received.constData(), static_cast<size_t>(count));
    port->received.remove(0, count);
    *lpdwBytesReturned = static_cast<DWORD>(count);
    return FT_OK;
}

FT_STATUS SimDriver::FT_Write(
    FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite, DWORD *lpdwBytesWritten)
{
    if (!lpdwBytesWritten)
        return FT_INVALID_PARAMETER;
    *lpdwBytesWritten = 0;
    Port *port = nullptr;
    const FT_STATUS status = usablePort(ftHandle, port);
    if (status != FT_OK)
        return status;
    if (!lpBuffer && dwBytesToWrite > 0)
        return FT_INVALID_PARAMETER;

    const qsizetype size = static_cast<qsizetype>(std::min<DWORD>(dwBytesToWrite, kMaxStoredFrame));
    const QByteArray frame(static_cast<const char *>(lpBuffer), size);
    m_written.push_back(frame);
    if (m_written.size() > kFrameHistory)
        m_written.pop_front();

    if (port->device->isInterface && dwBytesToWrite <= kMaxStoredFrame) {
        const qint64 now = elapsedMs();
        QByteArray answer = m_interface.answer(frame, now);
        if (!answer.isEmpty()) {
            port->pending.push_back({ now + m_scenario.latencyMs, std::move(answer) });
            if (port->pending.size() > kMaxPendingAnswers)
                port->pending.pop_front();
        }
    }
    *lpdwBytesWritten = dwBytesToWrite;
    return FT_OK;
}

QList<QByteArray> SimDriver::writtenFrames() const
{
    return QList<QByteArray>(m_written.begin(), m_written.end());
}

bool SimDriver::setModuleRaw(int band, const std::array<int, 5> &raw)
{
    SimModule *module = m_interface.module(band);
    return module && module->setRaw(raw);
}

} // namespace orvane
