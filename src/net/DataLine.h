#pragma once

#include "modules/ModuleSnapshot.h"

#include <QByteArray>

#include <array>

namespace orvane {

// The data line that answers every client line: "Data : " followed, for each
// present module in slot order 1 to 4, by "#", its serial number text, "," and
// for each signal ",value,unit" with the value as ",%.3f". No separator stands
// between blocks; with no module present the line is "Data : ". The result
// carries no line end (the server adds CR LF). Control bytes and DEL in a
// serial number or unit are written as "?", so the line stays one line.
QByteArray buildDataLine(const ModuleSnapshot &snapshot);
// The same from module objects; null entries count as absent modules.
inline QByteArray buildDataLine(const std::array<const TOV_MOD_Object *, 4> &modules)
{
    return buildDataLine(snapshotOf(modules));
}

} // namespace orvane
