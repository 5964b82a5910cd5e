#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>

namespace orvane {

// A D2XX driver whose devices, answers and failures a test writes down: the
// way to make a driver fail on demand. Reads return the queued answers one
// per call; every call is recorded by name.
class ScriptedDriver : public D2xxDriver
{
public:
    struct Device
    {
        DWORD location = 0;
        QByteArray serial;
        QByteArray description;
    };

    QString name() const override { return QStringLiteral("scripted"); }

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
    FT_STATUS FT_Read(FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead,
                      DWORD *lpdwBytesReturned) override;
    FT_STATUS FT_Write(FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite,
                       DWORD *lpdwBytesWritten) override;

    // Status to return from the named call ("FT_OpenEx", "FT_Read", ...);
    // calls not listed succeed.
    QMap<QString, FT_STATUS> failures;
    QList<Device> devices;
    QByteArrayList reads;   // answers of the next FT_Read calls, in order
    QByteArrayList written; // every frame written
    QStringList calls;      // every call by name, in order
    DWORD openedLocation = 0;
    DWORD baudRate = 0;
    DWORD readTimeout = 0, writeTimeout = 0;
    std::uint16_t flowControl = 0xFFFF;
    DWORD lastListFlags = 0;

private:
    FT_STATUS record(const char *call);
    int m_handleToken = 0;
};

} // namespace orvane
