#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

// The frames between the PC and the simulated interface: requests as the PC
// writes them, and the poll replies the modules send back.
namespace orvane {

enum class SimRequestKind { Unknown, Identity, Scan, Type1Poll, Type2Poll };

struct SimRequest
{
    SimRequestKind kind = SimRequestKind::Unknown;
    int band = -1; // 0..3 for scans and polls
    // Type-1 poll: the output states the PC wants.
    std::array<bool, 2> outputs {};
    // Type-2 poll: mode byte and threshold of each relay.
    std::array<std::uint8_t, 2> modes {};
    std::array<std::uint16_t, 2> thresholds {};
};

// Reads one written frame. Anything that is not exactly one known request
// (wrong length, unknown command, band digit outside '0'..'3', a type-2 poll
// whose check byte is wrong) is Unknown and gets no answer.
SimRequest parseSimRequest(const QByteArray &frame);

// 8-bit additive sum of `data`.
std::uint8_t sum8(const char *data, qsizetype size);

// One sample of a type-1 module: five 10-bit inputs and the two outputs.
struct SimType1Sample
{
    std::array<int, 5> analog {};
    std::array<bool, 2> outputs {};
};

// One sample of a type-2 module, as the fields are sent: the 16-bit battery,
// the 16-bit temperature field (decoded value + 1024), three 10-bit inputs.
struct SimType2Sample
{
    int battery = 0;
    int temperatureField = 0;
    std::array<int, 3> analog {};
};

inline constexpr int kSimType1ReplyLength = 25;
inline constexpr int kSimType2ReplyLength = 28;

// Complete replies: length byte L + 0x20, payload, 8-bit sum of all bytes
// before it. Values outside their field are masked to it.
QByteArray buildSimType1Reply(const SimType1Sample &current, const SimType1Sample &previous);
QByteArray buildSimType2Reply(const SimType2Sample &current, const SimType2Sample &previous,
    const std::array<bool, 2> &relays);

} // namespace orvane
