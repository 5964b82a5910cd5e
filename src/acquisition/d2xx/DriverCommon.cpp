#include "DriverCommon.h"

#include <algorithm>

namespace orvane {

Q_LOGGING_CATEGORY(lcDevice, "orvane.device")

FT_STATUS listDevicesNumberOnly(void *pArg1, DWORD Flags, DWORD count)
{
    if (Flags != FT_LIST_NUMBER_ONLY)
        return FT_NOT_SUPPORTED;
    if (!pArg1)
        return FT_INVALID_PARAMETER;
    *static_cast<DWORD *>(pArg1) = count;
    return FT_OK;
}

FT_STATUS copyDeviceInfoList(const std::vector<FT_DEVICE_LIST_INFO_NODE> &snapshot,
    FT_DEVICE_LIST_INFO_NODE *pDest, DWORD *lpdwNumDevs)
{
    if (!lpdwNumDevs || (!pDest && !snapshot.empty()))
        return FT_INVALID_PARAMETER;
    if (!snapshot.empty())
        std::copy(snapshot.begin(), snapshot.end(), pDest);
    *lpdwNumDevs = static_cast<DWORD>(snapshot.size());
    return FT_OK;
}

} // namespace orvane
