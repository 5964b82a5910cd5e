#pragma once

#include "D2xxDriver.h"

namespace orvane {

// The backend of last resort: no device is ever attached. The program starts
// and behaves as on a machine without the interface plugged in.
class NullDriver : public D2xxDriver
{
public:
    QString name() const override { return QStringLiteral("none"); }

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
};

} // namespace orvane
