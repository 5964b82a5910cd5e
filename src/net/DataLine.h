#pragma once

#include <QByteArray>

#include <array>

namespace orvane {

class TOV_MOD_Object;

// The data line that answers every client line: "Data : " followed, for each
// present module in slot order 1 to 4, by "#", its serial number text, "," and
// for each signal ",value,unit" with the value as ",%.3f". No separator stands
// between blocks; with no module present the line is "Data : ". The result
// carries no line end (the server adds CR LF). Null entries count as absent
// modules; a signal count outside 0..16 is clamped. Control bytes and DEL in
// a serial number or unit are written as "?", so the line stays one line.
QByteArray buildDataLine(const std::array<const TOV_MOD_Object *, 4> &modules);

} // namespace orvane
