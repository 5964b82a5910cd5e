#pragma once

#include "protocol/WireProtocol.h"

#include <QList>

// Frames of the USB link worked out by hand from the frame layouts, byte for
// byte: the requests the builders must produce, and replies with what the
// checks and the readers must take from them. Unread positions and unused
// bits of the replies hold junk on purpose.
namespace orvane::golden {

struct Request
{
    const char *name;
    QByteArray (*build)();
    QByteArray bytes;
};

inline QList<Request> requests()
{
    const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
    return {
        { "identity", [] { return identityRequest(); }, hex("FF 3F") },
        { "scan band 1", [] { return scanRequest(1); }, hex("FE 30 3F") },
        { "scan band 4", [] { return scanRequest(4); }, hex("FE 33 3F") },
        { "type 1, slot 3, output 1 on", [] { return type1PollRequest(3, 1, 0); },
            hex("FE 32 40 00 01 00 00") },
        { "type 1, slot 4, output 2 on", [] { return type1PollRequest(4, 0, 1); },
            hex("FE 33 40 00 00 00 01") },
        { "type 2, slot 1, off, 512 and 512",
            [] {
                return type2PollRequest(1, { 0, 512 }, { 0, 512 });
            },
            hex("FE 30 23 00 02 00 00 02 00 27") },
        { "type 2, slot 3, on and off",
            [] {
                return type2PollRequest(3, { 1, 0x433 }, { 0, 0 });
            },
            hex("FE 32 23 01 04 33 00 00 00 5B") },
        { "type 2, slot 4, rules on signal 2",
            [] {
                return type2PollRequest(4, { 3, 0x433 }, { 3, 0x400 });
            },
            hex("FE 33 23 03 04 33 03 04 00 64") },
        { "type 2, check byte wraps",
            [] {
                return type2PollRequest(2, { 7, 0xFFFF }, { 6, 0xFFFF });
            },
            hex("FE 31 23 07 FF FF 06 FF FF 2C") },
    };
}

// Type 1: now inputs 0x3FF 0x2AA 0x155 0x100 0x2C3 and output 1 set; before
// 0x001 0x3C0 0x0FF 0x201 0x1A5 and output 2 set.
inline const QByteArray type1Reply = QByteArray::fromHex(
    "39 11 22 33 5A 44 55 66 77 88 FF AA 55 00 C3 E5 A6 01 C0 FF 01 A5 32 59 34");
inline const Type1Fields type1Current { { 0x3FF, 0x2AA, 0x155, 0x100, 0x2C3 }, { 1, 0 } };
inline const Type1Fields type1Previous { { 0x001, 0x3C0, 0x0FF, 0x201, 0x1A5 }, { 0, 1 } };

// Type 2: now inputs 0x3FF 0x155 0x2AA, battery 0xABCD, temperature field
// 0x1234, relay 1 set; before 0x001 0x300 0x0F0, 0x0102 and 0x0300. The
// 24- and 27-byte replies are the same cut short before their check byte.
inline const QByteArray type2Reply = QByteArray::fromHex("3C 99 88 77 5A F7 F3 FF F7 55 FE AA AB "
                                                         "CD 12 34 EE C3 01 FF 00 FC F0 01 02 03 "
                                                         "00 6C");
inline const QByteArray type2Reply24 = QByteArray::fromHex(
    "38 99 88 77 5A F7 F3 FF F7 55 FE AA AB CD 12 34 EE C3 01 FF 00 FC F0 62");
inline const QByteArray type2Reply27 = QByteArray::fromHex(
    "3B 99 88 77 5A F7 F3 FF F7 55 FE AA AB CD 12 34 EE C3 01 FF 00 FC F0 01 02 03 6B");
inline const Type2Fields type2Current { { 0x3FF, 0x155, 0x2AA }, 0xABCD, 0x1234 - 1024, { 1, 0 } };
inline const Type2Fields type2Previous { { 0x001, 0x300, 0x0F0 }, 0x0102, 0x0300 - 1024, {} };

struct Reply
{
    const char *name;
    QByteArray received;
    ReplyFault fault;
    qsizetype accepted = 0; // leading bytes of `received` that form the packet
};

inline QList<Reply> replies()
{
    QByteArray damaged = type1Reply;
    damaged[5] = char(damaged[5] + 1);
    return {
        { "nothing", {}, ReplyFault::Nothing },
        { "length byte 0x20", QByteArray("\x20\x20", 2), ReplyFault::LengthByte },
        { "length byte 0x00", QByteArray(1, '\0'), ReplyFault::LengthByte },
        { "length byte 0xFF, short", QByteArray("\xFF\x01", 2), ReplyFault::TooShort },
        { "type 1, one byte short", type1Reply.chopped(1), ReplyFault::TooShort },
        { "L = 1", QByteArray("\x21"), ReplyFault::CheckByte },
        { "type 1, one byte changed", damaged, ReplyFault::CheckByte },
        { "L = 2, no payload", QByteArray("\x22\x22", 2), ReplyFault::None, 2 },
        { "type 1", type1Reply, ReplyFault::None, 25 },
        { "type 1, bytes after it", type1Reply + "TRAIL", ReplyFault::None, 25 },
        { "type 2", type2Reply, ReplyFault::None, 28 },
        { "type 2, 24 bytes", type2Reply24, ReplyFault::None, 24 },
        { "type 2, 27 bytes", type2Reply27, ReplyFault::None, 27 },
    };
}

struct Answer
{
    const char *name;
    QByteArray text;
    ScanAnswer read;
};

inline QList<Answer> scanAnswers()
{
    return {
        { "type 1", "Orvane Module, 0x1004A2", { true, true, 1, "0x1004A2" } },
        { "type 2, text around", "Orvane Module V1, 0x2000B7xyz", { true, true, 2, "0x2000B7" } },
        { "type 3", "Orvane Module, 0x3000C1", { true, true, 3, "0x3000C1" } },
        { "letter type", "Orvane Module, 0xA000C1", { true, true, 17, "0xA000C1" } },
        { "binary serial", QByteArray("Orvane Module, 0x1/../\x01", 23),
            { true, true, 1, QByteArray("0x1/../\x01", 8) } },
        { "no comma", "Orvane Module 0x1004A2", { true, false, 0, {} } },
        { "five after 0x", "Orvane Module, 0x1004A", { true, false, 0, {} } },
        { "0x at the end", "Orvane Module, 0x", { true, false, 0, {} } },
        { "lower case name", "orvane module, 0x1004A2", {} },
        { "nothing", {}, {} },
    };
}

} // namespace orvane::golden
