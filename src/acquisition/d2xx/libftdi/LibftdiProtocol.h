#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <QByteArray>

#include <functional>
#include <vector>

// Parts of the libftdi1 backend that need no USB library: the location ids,
// the device-information snapshot and the read loop. Built on every platform
// so they can be tested everywhere.
namespace orvane {

// The FTDI vendor id and the product ids the backend lists.
inline constexpr int kFtdiVendorId = 0x0403;
inline constexpr int kFtdiProductIds[] = { 0x6001, 0x6010, 0x6011, 0x6014, 0x6015 };

// D2XX device type of a product id (FT_DEVICE_... numbers), for the info list.
DWORD d2xxDeviceType(int productId);

// Location id of a USB device from its bus number, port path (root port
// first) and bus address. Written as hex digits it reads as the bus and the
// ports, e.g. bus 1, ports 2.2.1 give 0x1221. That form needs a bus of 1..15,
// ports of 1..15 and a path of 1..6 ports; other devices get
// 0x10000000 | bus << 8 | address, a range the first form never reaches.
// Distinct devices get distinct ids, all positive as signed 32-bit numbers.
DWORD usbLocationId(int bus, const int *ports, int portCount, int address);

// One FTDI chip as the enumeration found it.
struct FoundChip
{
    int productId = 0;
    DWORD location = 0;
};

// The strings of one chip. Reading them opens the device briefly; without
// the right to do so (no udev rule) `read` is false and `error` says why.
struct ChipStrings
{
    bool read = false;
    QByteArray serial;
    QByteArray description;
    QByteArray error;
};
// Reads the strings of the chip at `index` in the list being taken.
using ReadChipStrings = std::function<ChipStrings(size_t index)>;
// The handle under which this driver holds the chip at `location` open, or
// null.
using OpenHandleAt = std::function<FT_HANDLE(DWORD location)>;

// The device list FT_CreateDeviceInfoList takes and FT_GetDeviceInfoList
// hands out until the next one. A chip whose strings cannot be read is
// listed all the same, with empty texts; that is said once per location on
// the console, until its strings could be read again.
class DeviceSnapshot
{
public:
    void clear() { m_nodes.clear(); }
    void take(const std::vector<FoundChip> &chips, const ReadChipStrings &readStrings,
        const OpenHandleAt &openHandleAt);
    const std::vector<FT_DEVICE_LIST_INFO_NODE> &nodes() const { return m_nodes; }

    // Locations remembered as unreadable, at most this many.
    static constexpr size_t kUnreadableLimit = 256;

private:
    std::vector<FT_DEVICE_LIST_INFO_NODE> m_nodes;
    std::vector<DWORD> m_unreadable;
};

// One attempt to fetch bytes from the device: the number of bytes placed in
// `buffer` (0 when none have arrived yet), or kReadChunkFailed when the device
// is gone or broken.
inline constexpr int kReadChunkFailed = -1;
using ReadChunk = std::function<int(unsigned char *buffer, int size)>;
// Called between attempts that brought nothing, so the loop does not spin.
using ReadPause = std::function<void()>;

// FT_Read on top of ReadChunk: collects bytes until `count` have arrived or
// `timeoutMs` has passed, whichever is first (a time-out of 0 makes one
// attempt). Returns FT_OK with what came, possibly nothing, or FT_IO_ERROR
// when an attempt failed (*received then still holds what came before).
FT_STATUS readWithTimeout(unsigned char *buffer, DWORD count, DWORD timeoutMs, DWORD *received,
    const ReadChunk &readChunk, const ReadPause &pause);

} // namespace orvane
