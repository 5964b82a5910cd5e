#pragma once

#include <QString>

#include <cstdint>

namespace orvane {

// D2XX types and status codes, as the driver library publishes them.
using FT_STATUS = std::uint32_t;
using FT_HANDLE = void *;
using DWORD = std::uint32_t;

enum FtStatus : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

// Flags of FT_ListDevices and FT_OpenEx used by the link.
inline constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr DWORD FT_OPEN_BY_LOCATION = 4;
inline constexpr std::uint16_t FT_FLOW_NONE = 0x0000;

// The library's published device-information record.
struct FT_DEVICE_LIST_INFO_NODE
{
    DWORD Flags = 0;
    DWORD Type = 0;
    DWORD ID = 0;
    DWORD LocId = 0;
    char SerialNumber[16] = {};
    char Description[64] = {};
    FT_HANDLE ftHandle = nullptr;
};

// Fills a record's text fields from the given strings, cut to the field and
// always zero-terminated. Shared by every backend.
void setDeviceInfoText(FT_DEVICE_LIST_INFO_NODE &node, const QByteArray &serial,
                       const QByteArray &description);

// The D2XX operations the interface link makes, with the library's arguments
// and status codes (0 = success). One implementation per backend: the vendor
// library loaded at run time, libftdi1, and the simulator.
class D2xxDriver
{
public:
    virtual ~D2xxDriver() = default;

    // Short name for the console log, e.g. "libftdi1".
    virtual QString name() const = 0;

    virtual FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD Flags) = 0;
    virtual FT_STATUS FT_CreateDeviceInfoList(DWORD *lpdwNumDevs) = 0;
    virtual FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs) = 0;
    virtual FT_STATUS FT_OpenEx(void *pArg1, DWORD Flags, FT_HANDLE *pHandle) = 0;
    virtual FT_STATUS FT_Close(FT_HANDLE ftHandle) = 0;
    virtual FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) = 0;
    virtual FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, DWORD BaudRate) = 0;
    virtual FT_STATUS FT_SetFlowControl(FT_HANDLE ftHandle, std::uint16_t FlowControl,
                                        unsigned char XonChar, unsigned char XoffChar) = 0;
    virtual FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, DWORD ReadTimeout, DWORD WriteTimeout) = 0;
    // Returns within the read time-out with whatever has arrived (status 0 and
    // *lpdwBytesReturned 0 when nothing came).
    virtual FT_STATUS FT_Read(FT_HANDLE ftHandle, void *lpBuffer, DWORD dwBytesToRead,
                              DWORD *lpdwBytesReturned) = 0;
    virtual FT_STATUS FT_Write(FT_HANDLE ftHandle, const void *lpBuffer, DWORD dwBytesToWrite,
                               DWORD *lpdwBytesWritten) = 0;
};

// FT_OpenEx with FT_OPEN_BY_LOCATION passes the location id itself as pArg1.
inline void *locationArg(DWORD location)
{
    return reinterpret_cast<void *>(static_cast<std::uintptr_t>(location));
}
inline DWORD locationFromArg(void *arg)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg));
}

} // namespace orvane
