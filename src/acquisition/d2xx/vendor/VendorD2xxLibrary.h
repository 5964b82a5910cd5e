#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QString>

class QLibrary;

namespace orvane {

// The vendor library exports its calls with the Windows API calling
// convention; elsewhere there is only one.
#if defined(_WIN32) && !defined(_WIN64)
#define ORVANE_D2XX_CALL __stdcall
#else
#define ORVANE_D2XX_CALL
#endif

// The entry points of the vendor D2XX library that the link uses, with the
// library's argument types (all 32-bit DWORD/ULONG on every platform it ships
// for). Filled by resolveD2xxEntryPoints; all non-null after a success.
struct D2xxEntryPoints
{
    FT_STATUS(ORVANE_D2XX_CALL *listDevices)(void *, void *, DWORD) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *createDeviceInfoList)(DWORD *) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *getDeviceInfoList)(FT_DEVICE_LIST_INFO_NODE *, DWORD *) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *openEx)(void *, DWORD, FT_HANDLE *) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *close)(FT_HANDLE) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *resetDevice)(FT_HANDLE) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *setBaudRate)(FT_HANDLE, DWORD) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *setFlowControl)
    (FT_HANDLE, std::uint16_t, unsigned char, unsigned char) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *setTimeouts)(FT_HANDLE, DWORD, DWORD) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *read)(FT_HANDLE, void *, DWORD, DWORD *) = nullptr;
    FT_STATUS(ORVANE_D2XX_CALL *write)(FT_HANDLE, const void *, DWORD, DWORD *) = nullptr;
};

// File name of the vendor library on this platform: "ftd2xx.dll" on Windows,
// "libftd2xx.so" elsewhere.
QString d2xxLibraryFileName();

// Loads `library` (its file name already set) and resolves every entry point.
// On failure returns false and says why in *reason: the library that could not
// be loaded with the loader's own error text, or the first missing symbol.
bool resolveD2xxEntryPoints(QLibrary &library, D2xxEntryPoints &out, QString *reason);

} // namespace orvane
