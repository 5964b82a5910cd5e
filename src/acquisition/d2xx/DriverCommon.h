#pragma once

#include "D2xxDriver.h"

#include <QLoggingCategory>

#include <memory>
#include <vector>

namespace orvane {

// Console log of the device layer: which backend runs and why another could
// not be used. Never the event log.
Q_DECLARE_LOGGING_CATEGORY(lcDevice)

// Answers FT_ListDevices for the one form the link uses (FT_LIST_NUMBER_ONLY,
// pArg1 = DWORD *). Other forms are not supported by our backends.
FT_STATUS listDevicesNumberOnly(void *pArg1, DWORD Flags, DWORD count);

// FT_GetDeviceInfoList from the snapshot the last FT_CreateDeviceInfoList took:
// writes exactly those nodes, never more, so a caller that sized its array by
// that count never overflows even when devices come and go in between.
FT_STATUS copyDeviceInfoList(const std::vector<FT_DEVICE_LIST_INFO_NODE> &snapshot,
    FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs);

// The open devices of one backend. A handle is the address of the backend's
// per-open state; an address this table did not hand out (or already took
// back) is not found, so a stale or forged handle gives FT_INVALID_HANDLE
// instead of a dangling access.
template <class Port> class HandleTable
{
public:
    FT_HANDLE add(std::unique_ptr<Port> port)
    {
        FT_HANDLE handle = port.get();
        m_ports.push_back(std::move(port));
        return handle;
    }

    Port *find(FT_HANDLE handle) const
    {
        for (const auto &port : m_ports) {
            if (handle && port.get() == handle)
                return port.get();
        }
        return nullptr;
    }

    std::unique_ptr<Port> take(FT_HANDLE handle)
    {
        for (auto it = m_ports.begin(); it != m_ports.end(); ++it) {
            if (handle && it->get() == handle) {
                std::unique_ptr<Port> port = std::move(*it);
                m_ports.erase(it);
                return port;
            }
        }
        return nullptr;
    }

    const std::vector<std::unique_ptr<Port>> &ports() const { return m_ports; }

private:
    std::vector<std::unique_ptr<Port>> m_ports;
};

} // namespace orvane
