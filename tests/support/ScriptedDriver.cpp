#include "ScriptedDriver.h"

#include <algorithm>
#include <cstring>

namespace orvane {

FT_STATUS ScriptedDriver::record(const char *call)
{
    calls.append(QString::fromLatin1(call));
    return failures.value(QString::fromLatin1(call), FT_OK);
}

FT_STATUS ScriptedDriver::FT_ListDevices(void *pArg1, void *, DWORD Flags)
{
    lastListFlags = Flags;
    const FT_STATUS s = record("FT_ListDevices");
    if (s == FT_OK && pArg1)
        *static_cast<DWORD *>(pArg1) = DWORD(devices.size());
    return s;
}

FT_STATUS ScriptedDriver::FT_CreateDeviceInfoList(DWORD *lpdwNumDevs)
{
    const FT_STATUS s = record("FT_CreateDeviceInfoList");
    if (s == FT_OK)
        *lpdwNumDevs = DWORD(devices.size());
    return s;
}

FT_STATUS ScriptedDriver::FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    const FT_STATUS s = record("FT_GetDeviceInfoList");
    if (s != FT_OK)
        return s;
    const DWORD n = std::min<DWORD>(*lpdwNumDevs, DWORD(devices.size()));
    for (DWORD i = 0; i < n; ++i) {
        pDest[i] = FT_DEVICE_LIST_INFO_NODE{};
        pDest[i].LocId = devices[int(i)].location;
        setDeviceInfoText(pDest[i], devices[int(i)].serial, devices[int(i)].description);
    }
    *lpdwNumDevs = n;
    return s;
}

FT_STATUS ScriptedDriver::FT_OpenEx(void *pArg1, DWORD, FT_HANDLE *pHandle)
{
    const FT_STATUS s = record("FT_OpenEx");
    if (s == FT_OK) {
        openedLocation = locationFromArg(pArg1);
        *pHandle = &m_handleToken;
    }
    return s;
}

FT_STATUS ScriptedDriver::FT_Close(FT_HANDLE)
{
    return record("FT_Close");
}

FT_STATUS ScriptedDriver::FT_ResetDevice(FT_HANDLE)
{
    return record("FT_ResetDevice");
}

FT_STATUS ScriptedDriver::FT_SetBaudRate(FT_HANDLE, DWORD BaudRate)
{
    baudRate = BaudRate;
    return record("FT_SetBaudRate");
}

FT_STATUS ScriptedDriver::FT_SetFlowControl(FT_HANDLE, std::uint16_t FlowControl, unsigned char,
                                            unsigned char)
{
    flowControl = FlowControl;
    return record("FT_SetFlowControl");
}

FT_STATUS ScriptedDriver::FT_SetTimeouts(FT_HANDLE, DWORD ReadTimeout, DWORD WriteTimeout)
{
    readTimeout = ReadTimeout;
    writeTimeout = WriteTimeout;
    return record("FT_SetTimeouts");
}

FT_STATUS ScriptedDriver::FT_Read(FT_HANDLE, void *lpBuffer, DWORD dwBytesToRead,
                                  DWORD *lpdwBytesReturned)
{
    *lpdwBytesReturned = 0;
    const FT_STATUS s = record("FT_Read");
    if (s != FT_OK || reads.isEmpty())
        return s;
    const QByteArray next = reads.takeFirst();
    const DWORD n = std::min<DWORD>(dwBytesToRead, DWORD(next.size()));
    std::memcpy(lpBuffer, next.constData(), n);
    *lpdwBytesReturned = n;
    return s;
}

FT_STATUS ScriptedDriver::FT_Write(FT_HANDLE, const void *lpBuffer, DWORD dwBytesToWrite,
                                   DWORD *lpdwBytesWritten)
{
    *lpdwBytesWritten = 0;
    const FT_STATUS s = record("FT_Write");
    if (s != FT_OK)
        return s;
    written.append(QByteArray(static_cast<const char *>(lpBuffer), qsizetype(dwBytesToWrite)));
    *lpdwBytesWritten = dwBytesToWrite;
    return s;
}

} // namespace orvane
