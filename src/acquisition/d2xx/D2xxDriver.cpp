#include "D2xxDriver.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace orvane {

void setDeviceInfoText(FT_DEVICE_LIST_INFO_NODE &node, const QByteArray &serial,
                       const QByteArray &description)
{
    std::memset(node.SerialNumber, 0, sizeof node.SerialNumber);
    std::memset(node.Description, 0, sizeof node.Description);
    std::memcpy(node.SerialNumber, serial.constData(),
                std::min<size_t>(serial.size(), sizeof node.SerialNumber - 1));
    std::memcpy(node.Description, description.constData(),
                std::min<size_t>(description.size(), sizeof node.Description - 1));
}

} // namespace orvane
