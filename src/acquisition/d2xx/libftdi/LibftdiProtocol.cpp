#include "LibftdiProtocol.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <climits>

namespace orvane {

DWORD d2xxDeviceType(int productId)
{
    switch (productId) {
    case 0x6001:
        return 5; // FT232R (or an older BM chip)
    case 0x6010:
        return 6; // FT2232H
    case 0x6011:
        return 7; // FT4232H
    case 0x6014:
        return 8; // FT232H
    case 0x6015:
        return 9; // FT-X series
    default:
        return 3; // unknown
    }
}

DWORD usbLocationId(int bus, const int *ports, int portCount, int address)
{
    bool nibbleForm = bus >= 1 && bus <= 15 && ports && portCount >= 1 && portCount <= 6;
    for (int i = 0; nibbleForm && i < portCount; ++i)
        nibbleForm = ports[i] >= 1 && ports[i] <= 15;
    if (nibbleForm) {
        DWORD id = static_cast<DWORD>(bus);
        for (int i = 0; i < portCount; ++i)
            id = (id << 4) | static_cast<DWORD>(ports[i]);
        return id; // at most 7 hex digits, below 0x10000000
    }
    return 0x10000000u | (static_cast<DWORD>(bus & 0xFF) << 8) | static_cast<DWORD>(address & 0xFF);
}

FT_STATUS readWithTimeout(unsigned char *buffer, DWORD count, DWORD timeoutMs, DWORD *received,
    const ReadChunk &readChunk, const ReadPause &pause)
{
    *received = 0;
    if (count == 0)
        return FT_OK;
    const QDeadlineTimer deadline(static_cast<qint64>(timeoutMs));
    for (;;) {
        const int ask = static_cast<int>(std::min<DWORD>(count - *received, INT_MAX));
        const int got = readChunk(buffer + *received, ask);
        if (got < 0)
            return FT_IO_ERROR;
        *received += static_cast<DWORD>(std::min(got, ask));
        if (*received >= count || deadline.hasExpired())
            return FT_OK;
        if (got == 0 && pause)
            pause();
    }
}

} // namespace orvane
