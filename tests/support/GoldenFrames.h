#pragma once

#include "protocol/WireProtocol.h"

#include <QList>

// Frames of the USB link worked out by hand from the frame layouts, byte for
// byte: what the request builders must produce, and replies with what the
// checks and the readers must take from them. Unread positions and unused
// bits of the replies hold junk on purpose.
namespace orvane::golden {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A built request and the bytes it must have.
inline QList<std::pair<QByteArray, QByteArray>> requests()
{
    return {
        { identityRequest(), hex("FF 3F") },
        { scanRequest(1), hex("FE 30 3F") },
        { scanRequest(4), hex("FE 33 3F") },
        { type1PollRequest(3, 1, 0), hex("FE 32 40 00 01 00 00") },
        { type1PollRequest(4, 0, 1), hex("FE 33 40 00 00 00 01") },
        { type2PollRequest(1, { 0, 512 }, { 0, 512 }), hex("FE 30 23 00 02 00 00 02 00 27") },
        { type2PollRequest(3, { 1, 0x433 }, { 0, 0 }), hex("FE 32 23 01 04 33 00 00 00 5B") },
        { type2PollRequest(4, { 3, 0x433 }, { 3, 0x400 }), hex("FE 33 23 03 04 33 03 04 00 64") },
        { type2PollRequest(2, { 7, 0xFFFF }, { 6, 0xFFFF }), hex("FE 31 23 07 FF FF 06 FF FF 2C") },
    };
}

// Type 1: now inputs 0x3FF 0x2AA 0x155 0x100 0x2C3 and output 1 set; before
// 0x001 0x3C0 0x0FF 0x201 0x1A5 and output 2 set.
inline const QByteArray type1Reply
    = hex("39 11 22 33 5A 44 55 66 77 88 FF AA 55 00 C3 E5 A6 01 C0 FF 01 A5 32 59 34");
inline const Type1Fields type1Current { { 0x3FF, 0x2AA, 0x155, 0x100, 0x2C3 }, { 1, 0 } };
inline const Type1Fields type1Previous { { 0x001, 0x3C0, 0x0FF, 0x201, 0x1A5 }, { 0, 1 } };

// Type 2: now inputs 0x3FF 0x155 0x2AA, battery 0xABCD, temperature field
// 0x1234, relay 1 set; before 0x001 0x300 0x0F0, 0x0102 and 0x0300.
inline const QByteArray type2Reply
    = hex("3C 99 88 77 5A F7 F3 FF F7 55 FE AA AB CD 12 34 EE C3 01 FF 00 FC F0 01 02 03 00 6C");
inline const Type2Fields type2Current { { 0x3FF, 0x155, 0x2AA }, 0xABCD, 0x1234 - 1024, { 1, 0 } };
inline const Type2Fields type2Previous { { 0x001, 0x300, 0x0F0 }, 0x0102, 0x0300 - 1024, {} };

struct Reply
{
    QByteArray received;
    ReplyFault fault;
    qsizetype accepted = 0; // leading bytes of `received` that form the packet
};

inline QList<Reply> replies()
{
    QByteArray damaged = type1Reply;
    damaged[5] = char(damaged[5] + 1);
    return {
        { {}, ReplyFault::Nothing },
        { hex("20 20"), ReplyFault::LengthByte },
        { hex("00"), ReplyFault::LengthByte },
        { hex("FF 01"), ReplyFault::TooShort },
        { type1Reply.chopped(1), ReplyFault::TooShort },
        { hex("21"), ReplyFault::CheckByte }, // L = 1: a sum over nothing is 0
        { damaged, ReplyFault::CheckByte },
        { hex("22 22"), ReplyFault::None, 2 },
        { type1Reply, ReplyFault::None, 25 },
        { type1Reply + "TRAIL", ReplyFault::None, 25 },
        { type2Reply, ReplyFault::None, 28 },
        // Cut short before the check byte.
        { hex("38 99 88 77 5A F7 F3 FF F7 55 FE AA AB CD 12 34 EE C3 01 FF 00 FC F0 62"),
            ReplyFault::None, 24 },
    };
}

// A scan answer and what it says.
inline QList<std::pair<QByteArray, ScanAnswer>> scanAnswers()
{
    return {
        { "Orvane Module, 0x1004A2", { true, true, 1, "0x1004A2" } },
        { "Orvane Module V1, 0x2000B7xyz", { true, true, 2, "0x2000B7" } },
        { "Orvane Module, 0xA000C1", { true, true, 17, "0xA000C1" } },
        { QByteArray("Orvane Module, 0x1/../\x01", 23),
            { true, true, 1, hex("30 78 31 2F 2E 2E 2F 01") } },
        { "Orvane Module 0x1004A2", { true, false, 0, {} } },
        { "Orvane Module, 0x1004A", { true, false, 0, {} } },
        { "orvane module, 0x1004A2", {} },
    };
}

} // namespace orvane::golden
