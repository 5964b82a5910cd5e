#include "VendorD2xxDriver.h"

namespace orvane {

std::unique_ptr<VendorD2xxDriver> VendorD2xxDriver::load(QString *reason)
{
    return loadFrom(d2xxLibraryFileName(), reason);
}

std::unique_ptr<VendorD2xxDriver> VendorD2xxDriver::loadFrom(
    const QString &fileName, QString *reason)
{
    std::unique_ptr<VendorD2xxDriver> driver(new VendorD2xxDriver);
    driver->m_library.setFileName(fileName);
    if (!resolveD2xxEntryPoints(driver->m_library, driver->m_entry, reason))
        return nullptr;
    return driver;
}

FT_STATUS VendorD2xxDriver::FT_ListDevices(void *pArg1, void *pArg2, DWORD Flags)
{
    if (!pArg1)
        return FT_INVALID_PARAMETER;
    return m_entry.listDevices(pArg1, pArg2, Flags);
}

FT_STATUS VendorD2xxDriver::FT_CreateDeviceInfoList(DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    return m_entry.createDeviceInfoList(lpdwNumDevs);
}

FT_STATUS VendorD2xxDriver::FT_GetDeviceInfoList(
    FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    return m_entry.getDeviceInfoList(pDest, lpdwNumDevs);
}

FT_STATUS VendorD2xxDriver::FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle)
{
    if (!pHandle)
        return FT_INVALID_PARAMETER;
    return m_entry.openEx(pArg1, Flags, pHandle);
}

FT_STATUS VendorD2xxDriver::FT_Close(FT_HANDLE ftHandle)
{
    return m_entry.close(ftHandle);
}

FT_STATUS VendorD2xxDriver::FT_ResetDevice(FT_HANDLE ftHandle)
{
    return m_entry.resetDevice(ftHandle);
}

FT_STATUS VendorD2xxDriver::FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate)
{
    return m_entry.setBaudRate(ftHandle, BaudRate);
}

FT_STATUS VendorD2xxDriver::FT_SetFlowControl(
    FT_HANDLE ftHandle, std::uint16_t FlowControl, unsigned char XonChar, unsigned char XoffChar)
{
    return m_entry.setFlowControl(ftHandle, FlowControl, XonChar, XoffChar);
}

FT_STATUS VendorD2xxDriver::FT_SetTimeouts(
    FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout)
{
    return m_entry.setTimeouts(ftHandle, ReadTimeout, WriteTimeout);
}

FT_STATUS VendorD2xxDriver::FT_Read(
    FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead, DWORD *lpdwBytesReturned)
{
    if (!lpdwBytesReturned || (!lpBuffer && dwBytesToRead > 0))
        return FT_INVALID_PARAMETER;
    return m_entry.read(ftHandle, lpBuffer, dwBytesToRead, lpdwBytesReturned);
}

FT_STATUS VendorD2xxDriver::FT_Write(
    FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite, DWORD *lpdwBytesWritten)
{
    if (!lpdwBytesWritten || (!lpBuffer && dwBytesToWrite > 0))
        return FT_INVALID_PARAMETER;
    return m_entry.write(ftHandle, lpBuffer, dwBytesToWrite, lpdwBytesWritten);
}

} // namespace orvane
