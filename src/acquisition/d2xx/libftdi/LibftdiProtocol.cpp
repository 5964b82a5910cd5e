#include "LibftdiProtocol.h"

#include "acquisition/d2xx/DriverCommon.h"

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

void DeviceSnapshot::take(const std::vector<FoundChip> &chips, const ReadChipStrings &readStrings,
    const OpenHandleAt &openHandleAt)
{
    m_nodes.clear();
    for (size_t i = 0; i < chips.size(); ++i) {
        const FoundChip &chip = chips[i];
        FT_DEVICE_LIST_INFO_NODE node;
        node.Type = d2xxDeviceType(chip.productId);
        node.ID = (static_cast<DWORD>(kFtdiVendorId) << 16) | static_cast<DWORD>(chip.productId);
        node.LocId = chip.location;
        if (FT_HANDLE handle = openHandleAt(chip.location)) {
            node.Flags |= 1; // opened
            node.ftHandle = handle;
        }
        const ChipStrings strings = readStrings(i);
        // The list is taken every 2 s while a lost interface is awaited.
        const auto said = std::find(m_unreadable.begin(), m_unreadable.end(), chip.location);
        if (!strings.read) {
            if (said == m_unreadable.end()) {
                qCWarning(lcDevice).noquote()
                    << "libftdi1: cannot read the strings of the device at location"
                    << chip.location << ":" << strings.error;
                if (m_unreadable.size() < kUnreadableLimit)
                    m_unreadable.push_back(chip.location);
            }
        } else {
            if (said != m_unreadable.end())
                m_unreadable.erase(said);
            setDeviceInfoText(node, strings.serial, strings.description);
        }
        m_nodes.push_back(node);
    }
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
