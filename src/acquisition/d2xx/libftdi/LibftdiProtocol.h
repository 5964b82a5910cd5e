#pragma once

#include "acquisition/d2xx/D2xxDriver.h"

#include <functional>

// Parts of the libftdi1 backend that need no USB library: the location ids and
// the read loop. Built on every platform so they can be tested everywhere.
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
