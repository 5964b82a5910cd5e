#pragma once

#include "acquisition/d2xx/D2xxDriver.h"
#include "acquisition/d2xx/DriverCommon.h"

#include "Scenario.h"
#include "SimClock.h"
#include "SimInterface.h"

#include <QList>

#include <deque>
#include <memory>

namespace orvane {

// The simulated Orvane network behind the D2XX driver interface. Lists the
// scenario's USB devices; the interface device answers the frames written to
// it after the scenario's latency, on the time of the given clock. Reads
// return at once with what has arrived, or wait for the first answer at most
// the read time-out. From unplugAfterMs on, the interface is gone: it leaves
// the device list and every call on its open handle fails with FT_IO_ERROR
// (FT_Close still releases the handle). From replugAfterMs on it is listed
// again, last in the list, as a new attachment that must be opened anew.
class SimDriver : public D2xxDriver
{
public:
    // Runs on real time.
    explicit SimDriver(const Scenario &scenario);
    // Runs on `clock`, which must outlive the driver.
    SimDriver(const Scenario &scenario, SimClock &clock);
    ~SimDriver() override;

    QString name() const override { return QStringLiteral("simulator"); }

    FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD Flags) override;
    FT_STATUS FT_CreateDeviceInfoList(DWORD *lpdwNumDevs) override;
    FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs) override;
    FT_STATUS FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle) override;
    FT_STATUS FT_Close(FT_HANDLE ftHandle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate) override;
    FT_STATUS FT_SetFlowControl(FT_HANDLE ftHandle, std::uint16_t FlowControl,
        unsigned char XonChar, unsigned char XoffChar) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout) override;
    FT_STATUS FT_Read(
        FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead, DWORD *lpdwBytesReturned) override;
    FT_STATUS FT_Write(FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite,
        DWORD *lpdwBytesWritten) override;

    // For tests and demonstrations.
    // The frames written to any device, oldest first (the last kFrameHistory).
    QList<QByteArray> writtenFrames() const;
    void clearWrittenFrames() { m_written.clear(); }
    // New raw values for the module on `band` (as in the scenario's "raw").
    // False if there is no module there or a value is out of its range.
    bool setModuleRaw(int band, const std::array<int, 5> &raw);
    // Simulated milliseconds since the driver was made.
    qint64 elapsedMs();

    static constexpr int kFrameHistory = 256;
    // Unread bytes a device holds at most; older ones are dropped beyond it,
    // as a chip's receive buffer overflows.
    static constexpr qsizetype kReceiveBufferBytes = 64 * 1024;
    // Answers on their way at most; the oldest is dropped beyond it.
    static constexpr int kMaxPendingAnswers = 64;
    // Time-outs of a device until FT_SetTimeouts is called.
    static constexpr DWORD kDefaultTimeoutMs = 1000;

private:
    struct Port;

    void prepareReplug();
    // The interface is gone: unplugged and not yet back.
    bool unplugged();
    // A handle of the interface opened before its unplug, which has passed.
    bool deadPort(const Port &port);
    std::vector<const ScenarioDevice *> listedDevices();
    // The open port for a call, or the status that call must return.
    FT_STATUS usablePort(FT_HANDLE handle, Port *&port);
    void deliver(Port &port);

    std::unique_ptr<SimClock> m_ownClock;
    SimClock *m_clock;
    qint64 m_startMs;
    Scenario m_scenario;
    SimInterface m_interface;
    ScenarioDevice m_replugged; // the interface as it is listed after its return
    HandleTable<Port> m_ports;
    std::vector<FT_DEVICE_LIST_INFO_NODE> m_snapshot;
    std::deque<QByteArray> m_written;
};

} // namespace orvane
