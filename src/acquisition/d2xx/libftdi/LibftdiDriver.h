#pragma once

#include "acquisition/d2xx/D2xxDriver.h"
#include "acquisition/d2xx/DriverCommon.h"
#include "acquisition/d2xx/libftdi/LibftdiProtocol.h"

#include <memory>
#include <vector>

namespace orvane {

// The open-source backend: libftdi1 over libusb-1.0. Lists the FTDI devices
// (vendor 0x0403, the usual product ids; one entry per chip, its first
// interface) with serial number, description and a location id built from
// the bus and port path (usbLocationId), opens one by that id, and moves bytes
// at 57600 baud 8N1 without flow control. A handle is the address of the
// open device's own context; every open device has its own libusb context.
class LibftdiDriver : public D2xxDriver
{
public:
    // Null with a reason when libusb cannot be started.
    static std::unique_ptr<LibftdiDriver> create(QString *reason);
    ~LibftdiDriver() override;

    QString name() const override { return QStringLiteral("libftdi1"); }

    FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD Flags) override;
    FT_STATUS FT_CreateDeviceInfoList(DWORD *lpdwNumDevs) override;
    FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs) override;
    FT_STATUS FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle) override;
    // Always releases a known handle and answers FT_OK, also after the device
    // was unplugged, so nothing is left behind.
    FT_STATUS FT_Close(FT_HANDLE ftHandle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) override;
    // Sets the baud rate and the line to 8 data bits, 1 stop bit, no parity.
    FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate) override;
    FT_STATUS FT_SetFlowControl(FT_HANDLE ftHandle, std::uint16_t FlowControl,
        unsigned char XonChar, unsigned char XoffChar) override;
    // A read time-out of 0 returns what is already there; a write time-out of
    // 0 means the default (kDefaultTimeoutMs).
    FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout) override;
    // Waits until the requested count has arrived or the read time-out passed.
    FT_STATUS FT_Read(
        FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead, DWORD *lpdwBytesReturned) override;
    FT_STATUS FT_Write(FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite,
        DWORD *lpdwBytesWritten) override;

    // Time-outs of a device until FT_SetTimeouts is called.
    static constexpr DWORD kDefaultTimeoutMs = 1000;
    // Latency timer of the chip: how long it holds a few received bytes
    // before sending them to the PC.
    static constexpr unsigned char kLatencyMs = 2;

private:
    struct Port;
    LibftdiDriver();

    HandleTable<Port> m_ports;
    DeviceSnapshot m_snapshot;
};

} // namespace orvane
