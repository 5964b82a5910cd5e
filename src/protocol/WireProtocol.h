#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// The PC side of the frames on the USB link: the requests the program sends
// to the interface and to the modules, the checks on a poll reply, the reading
// of identity and scan answers, and where the raw readings sit in a reply.
// The simulated network has an encoder of its own on purpose: each of the two
// checks the other.
namespace orvane {

// --- Frame bytes ---

inline constexpr char kIdentityStart = '\xFF'; // identity request: 0xFF "?"
inline constexpr char kModuleStart = '\xFE'; // scan and poll: 0xFE, address digit, command
inline constexpr char kQueryCommand = '?';
inline constexpr char kType1PollCommand = '@';
inline constexpr char kType2PollCommand = '#';
inline constexpr qsizetype kType1PollSize = 7;
inline constexpr qsizetype kType2PollSize = 10;
// The first byte of a poll reply is the reply's whole length plus this.
inline constexpr int kReplyLengthBias = 0x20;
// A reply shorter than this (length and check byte included) carries no
// readings.
inline constexpr qsizetype kReadingsReplySize = 24;

// The texts that identify the interface (in any case) and a module.
inline constexpr char kInterfaceIdentity[] = "ORVANE INTERFACE";
inline constexpr char kModuleIdentity[] = "Orvane Module";
// A module's serial number text: "0x" and six characters.
inline constexpr qsizetype kSerialTextSize = 8;

// The 8-bit additive sum that closes a type-2 poll (over its bytes 2..8) and
// a poll reply (over all its bytes before the last).
inline quint8 checkByte(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (const char c : bytes)
        sum += static_cast<unsigned char>(c);
    return static_cast<quint8>(sum);
}

// --- Requests ---

// How the operator sets each of a module's two outputs. Settings files may
// hold other values; each user of the mode says what those do.
enum OutputMode : qint32 { OutputOff = 0, OutputOn = 1, OutputUseRule = 2 };

// Mode bytes of a type-2 poll: off, on, or a rule on signal s sent as s + 1.
inline constexpr quint8 kType2ModeOff = 0x00;
inline constexpr quint8 kType2ModeOn = 0x01;
inline constexpr quint8 type2RuleMode(int watchedSignal)
{
    return static_cast<quint8>(watchedSignal + 1);
}

// What a type-2 poll tells the module about one output.
struct Type2Output
{
    quint8 mode = kType2ModeOff;
    quint16 threshold = 0; // raw count, sent big-endian whatever the mode
};

// The radio address of module slot 1..4 (scan band 1..4): "0" to "3".
inline constexpr char addressDigit(int slot)
{
    return static_cast<char>('0' + slot - 1);
}

// 0xFF "?".
QByteArray identityRequest();
// 0xFE, the address digit of `band` (1..4), "?".
QByteArray scanRequest(int band);
// 0xFE, address digit, "@", 0, state of output 1, 0, state of output 2.
QByteArray type1PollRequest(int slot, quint8 state1, quint8 state2);
// 0xFE, address digit, "#", mode and threshold of each output, check byte.
QByteArray type2PollRequest(int slot, Type2Output output1, Type2Output output2);

// --- Answers ---

// Whether an answer to the identity request comes from an Orvane Interface.
bool namesInterface(const QByteArray &answer);

// What an answer to a scan request says.
struct ScanAnswer
{
    bool namesModule = false; // holds "Orvane Module"
    bool wellFormed = false; // and ", 0x" with six characters after "0x"
    int type = 0; // the character after "0x" less "0"
    QByteArray serial; // the eight characters from the "0" of "0x"
    bool operator==(const ScanAnswer &) const = default;
};
ScanAnswer parseScanAnswer(const QByteArray &answer);

// The checks on a poll reply, in the order they are made.
enum class ReplyFault {
    None,
    Nothing, // nothing received
    LengthByte, // the length byte gives no length
    TooShort, // fewer bytes than the length byte says
    CheckByte, // the check byte differs from the sum
};
struct ReplyCheck
{
    ReplyFault fault = ReplyFault::None;
    QByteArray packet; // the accepted packet, without bytes beyond its length
};
ReplyCheck checkReply(const QByteArray &received);

// --- Raw readings of an accepted reply of at least kReadingsReplySize ---
// Analog inputs are 10-bit counts, outputs single bits.

// Type 1: inputs 1..5 and the states of outputs 1 and 2, for the sample at
// kType1Current or kType1Previous. The low bytes of the inputs come first;
// then one byte with bits 9..8 of inputs 1..4, from the top; then one with
// bits 9..8 of input 5 in bits 1..0 and the outputs in bits 2 and 3.
inline constexpr int kType1Current = 10;
inline constexpr int kType1Previous = 17;
struct Type1Fields
{
    std::array<int, 5> input {};
    std::array<int, 2> output {};
    bool operator==(const Type1Fields &) const = default;
};

// Type 2: inputs 4..6 at 6..11 (previous 17..22) as a byte with bits 9..8
// (at bits 5..4, 3..2, 1..0) and the low byte; the battery at 12..13
// (previous 23..24) and the temperature field at 14..15 (25..26), both 16-bit
// big-endian, the temperature 1024 above the reading; the relay states at
// bits 2 and 3 of byte 5, current sample only.
inline constexpr int kType2RelayByte = 5;
inline constexpr int kType2CurrentInputs = 6;
inline constexpr int kType2PreviousInputs = 17;
inline constexpr int kType2CurrentWords = 12;
inline constexpr int kType2PreviousWords = 23;
inline constexpr int kTemperatureBias = 1024;
struct Type2Fields
{
    std::array<int, 3> input {}; // signals 4..6
    int battery = 0; // signal 1
    int temperature = 0; // signals 2 and 3: the field less kTemperatureBias
    std::array<int, 2> relay {}; // outputs 1 and 2, current sample only
    // The previous sample reaches byte 26, past the check byte of a reply
    // shorter than 28 bytes; only the groups before the check byte are read.
    bool hasInput = true, hasBattery = true, hasTemperature = true;
    bool operator==(const Type2Fields &) const = default;
};

namespace wire_detail {
inline int tenBit(const uchar *p, int highAt, int shift, int lowAt)
{
    return ((p[highAt] >> shift) & 3) * 256 + p[lowAt];
}
inline int word(const uchar *p, int at)
{
    return p[at] * 256 + p[at + 1];
}
inline int bit(const uchar *p, int at, int number)
{
    return (p[at] >> number) & 1;
}
inline void readType2Inputs(const uchar *p, int at, Type2Fields &f)
{
    f.input
        = { tenBit(p, at, 4, at + 1), tenBit(p, at + 2, 2, at + 3), tenBit(p, at + 4, 0, at + 5) };
}
} // namespace wire_detail

inline Type1Fields readType1(const uchar *p, int sample)
{
    using namespace wire_detail;
    Type1Fields f;
    for (int k = 0; k < 4; ++k)
        f.input[size_t(k)] = tenBit(p, sample + 5, 6 - 2 * k, sample + k);
    f.input[4] = tenBit(p, sample + 6, 0, sample + 4);
    f.output = { bit(p, sample + 6, 2), bit(p, sample + 6, 3) };
    return f;
}

inline Type2Fields readType2Current(const uchar *p)
{
    using namespace wire_detail;
    Type2Fields f;
    f.relay = { bit(p, kType2RelayByte, 2), bit(p, kType2RelayByte, 3) };
    readType2Inputs(p, kType2CurrentInputs, f);
    f.battery = word(p, kType2CurrentWords);
    f.temperature = word(p, kType2CurrentWords + 2) - kTemperatureBias;
    return f;
}

// `size`: the whole reply, check byte included.
inline Type2Fields readType2Previous(const uchar *p, qsizetype size)
{
    using namespace wire_detail;
    const qsizetype lastPayload = size - 2;
    Type2Fields f;
    f.hasInput = lastPayload >= kType2PreviousInputs + 5;
    f.hasBattery = lastPayload >= kType2PreviousWords + 1;
    f.hasTemperature = lastPayload >= kType2PreviousWords + 3;
    if (f.hasInput)
        readType2Inputs(p, kType2PreviousInputs, f);
    if (f.hasBattery)
        f.battery = word(p, kType2PreviousWords);
    if (f.hasTemperature)
        f.temperature = word(p, kType2PreviousWords + 2) - kTemperatureBias;
    return f;
}

} // namespace orvane
