#pragma once

#include "VendorD2xxLibrary.h"

#include <QLibrary>

#include <memory>

namespace orvane {

// The vendor D2XX library, loaded at run time and never linked: the program
// starts also where it is not installed. Calls go straight through; only null
// result pointers are refused before they reach the library.
class VendorD2xxDriver : public D2xxDriver
{
public:
    // Loads the platform's library (d2xxLibraryFileName()). Null with a reason
    // (library, symbol, loader error) when it cannot be used.
    static std::unique_ptr<VendorD2xxDriver> load(QString *reason);
    // The same with a given file name or path.
    static std::unique_ptr<VendorD2xxDriver> loadFrom(const QString &fileName, QString *reason);

    QString name() const override { return QStringLiteral("d2xx"); }
    // The file the library was loaded from.
    QString libraryFileName() const { return m_library.fileName(); }

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

private:
    VendorD2xxDriver() = default;

    // Stays loaded for the life of the process: the library may keep threads
    // of its own that must not lose their code.
    QLibrary m_library;
    D2xxEntryPoints m_entry;
};

} // namespace orvane
