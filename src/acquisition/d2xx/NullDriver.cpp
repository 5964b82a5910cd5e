#include "NullDriver.h"

#include "DriverCommon.h"

namespace orvane {

FT_STATUS NullDriver::FT_ListDevices(void *pArg1, void *, DWORD Flags)
{
    return listDevicesNumberOnly(pArg1, Flags, 0);
}

FT_STATUS NullDriver::FT_CreateDeviceInfoList(DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    *lpdwNumDevs = 0;
    return FT_OK;
}

FT_STATUS NullDriver::FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    return copyDeviceInfoList({}, pDest, lpdwNumDevs);
}

FT_STATUS NullDriver::FT_OpenEx(void *, DWORD, FT_HANDLE *pHandle)
{
    if (pHandle)
        *pHandle = nullptr;
    return FT_DEVICE_NOT_FOUND;
}

// Nothing can be open, so every handle is unknown.
FT_STATUS NullDriver::FT_Close(FT_HANDLE)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_ResetDevice(FT_HANDLE)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_SetBaudRate(FT_HANDLE, DWORD)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_SetFlowControl(FT_HANDLE, std::uint16_t, unsigned char, unsigned char)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_SetTimeouts(FT_HANDLE, DWORD, DWORD)
{
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_Read(FT_HANDLE, void *, DWORD, DWORD *lpdwBytesReturned)
{
    if (lpdwBytesReturned)
        *lpdwBytesReturned = 0;
    return FT_INVALID_HANDLE;
}

FT_STATUS NullDriver::FT_Write(FT_HANDLE, const void *, DWORD, DWORD *lpdwBytesWritten)
{
    if (lpdwBytesWritten)
        *lpdwBytesWritten = 0;
    return FT_INVALID_HANDLE;
}

} // namespace orvane
