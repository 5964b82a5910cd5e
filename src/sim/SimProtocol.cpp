#include "SimProtocol.h"

namespace orvane {

namespace {

constexpr std::uint8_t kPrefixIdentity = 0xFF;
constexpr std::uint8_t kPrefixModule = 0xFE;

std::uint8_t byteAt(const QByteArray &frame, int index)
{
    return static_cast<std::uint8_t>(frame.at(index));
}

// Sets the length byte and the check byte of a reply whose payload is filled.
void seal(QByteArray &packet)
{
    const qsizetype length = packet.size();
    packet[0] = static_cast<char>(length + 0x20);
    packet[length - 1] = static_cast<char>(sum8(packet.constData(), length - 1));
}

void put(QByteArray &packet, int index, int value)
{
    packet[index] = static_cast<char>(value & 0xFF);
}

void put16(QByteArray &packet, int index, int value)
{
    put(packet, index, (value >> 8) & 0xFF);
    put(packet, index + 1, value & 0xFF);
}

// Bits 9..8 of a 10-bit value, moved to `shift`.
int high2(int value, int shift)
{
    return ((value >> 8) & 0x03) << shift;
}

} // namespace

std::uint8_t sum8(const char *data, qsizetype size)
{
    unsigned sum = 0;
    for (qsizetype i = 0; i < size; ++i)
        sum += static_cast<std::uint8_t>(data[i]);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

SimRequest parseSimRequest(const QByteArray &frame)
{
    SimRequest request;
    if (frame.size() == 2 && byteAt(frame, 0) == kPrefixIdentity && frame.at(1) == '?') {
        request.kind = SimRequestKind::Identity;
        return request;
    }
    if (frame.size() < 3 || byteAt(frame, 0) != kPrefixModule || frame.at(1) < '0'
        || frame.at(1) > '3')
        return request;
    const int band = frame.at(1) - '0';
    const char command = frame.at(2);
    if (command == '?' && frame.size() == 3) {
        request.kind = SimRequestKind::Scan;
    } else if (command == '@' && frame.size() == 7) {
        request.kind = SimRequestKind::Type1Poll;
        request.outputs = { frame.at(4) != 0, frame.at(6) != 0 };
    } else if (command == '#' && frame.size() == 10) {
        if (sum8(frame.constData() + 2, 7) != byteAt(frame, 9))
            return request;
        request.kind = SimRequestKind::Type2Poll;
        request.modes = { byteAt(frame, 3), byteAt(frame, 6) };
        request.thresholds = { static_cast<std::uint16_t>(byteAt(frame, 4) << 8 | byteAt(frame, 5)),
            static_cast<std::uint16_t>(byteAt(frame, 7) << 8 | byteAt(frame, 8)) };
    } else {
        return request;
    }
    request.band = band;
    return request;
}

QByteArray buildSimType1Reply(const SimType1Sample &current, const SimType1Sample &previous)
{
    QByteArray packet(kSimType1ReplyLength, '\0');
    // Current sample at 10..16, previous sample at 17..23, same layout.
    const auto sample = [&packet](int base, const SimType1Sample &s) {
        for (int i = 0; i < 5; ++i)
            put(packet, base + i, s.analog[i]);
        put(packet, base + 5,
            high2(s.analog[0], 6) | high2(s.analog[1], 4) | high2(s.analog[2], 2)
                | high2(s.analog[3], 0));
        put(packet, base + 6,
            high2(s.analog[4], 0) | (s.outputs[0] ? 0x04 : 0) | (s.outputs[1] ? 0x08 : 0));
    };
    sample(10, current);
    sample(17, previous);
    seal(packet);
    return packet;
}

QByteArray buildSimType2Reply(const SimType2Sample &current, const SimType2Sample &previous,
    const std::array<bool, 2> &relays)
{
    QByteArray packet(kSimType2ReplyLength, '\0');
    put(packet, 5, (relays[0] ? 0x04 : 0) | (relays[1] ? 0x08 : 0));
    // Signals 4, 5, 6 at 6..11 (current) and 17..22 (previous); the high bits
    // sit at 5..4, 3..2 and 1..0 of their own byte.
    const auto sample = [&packet](int base, int wordBase, const SimType2Sample &s) {
        put(packet, base, high2(s.analog[0], 4));
        put(packet, base + 1, s.analog[0]);
        put(packet, base + 2, high2(s.analog[1], 2));
        put(packet, base + 3, s.analog[1]);
        put(packet, base + 4, high2(s.analog[2], 0));
        put(packet, base + 5, s.analog[2]);
        put16(packet, wordBase, s.battery);
        put16(packet, wordBase + 2, s.temperatureField);
    };
    sample(6, 12, current);
    sample(17, 23, previous);
    seal(packet);
    return packet;
}

} // namespace orvane
