#include "OVModObjectUnit.h"

#include "ModulePorts.h"
#include "NumberText.h"

#include <cmath>
#include <limits>

// Taking the readings out of a reply packet, converting them, and the alarm
// check on the converted values.
namespace orvane {

namespace {
// Packets shorter than this carry no readings (the length byte and the check
// byte included).
constexpr qsizetype kMinReplySize = 24;

// An input's count on a 5 V scale of 1024 steps, then scaled. The order of
// the operations is fixed so that results match to the last bit.
double inputValue(int raw, const TSignalRecord &s)
{
    return double(raw) / 1024.0 * 5.0 * s.Gain + s.Offset;
}

double stateValue(int bit, const TSignalRecord &s)
{
    return double(bit) * s.Gain + s.Offset;
}

// Two high bits from `highByte` (at `shift`) and the low byte.
int tenBit(const uchar *p, int highByte, int shift, int lowByte)
{
    return ((p[highByte] >> shift) & 3) * 256 + p[lowByte];
}

int sixteenBit(const uchar *p, int first)
{
    return p[first] * 256 + p[first + 1];
}

int bit(const uchar *p, int pos, int number)
{
    return (p[pos] >> number) & 1;
}
} // namespace

void TOV_MOD_Object::DecodeReply()
{
    if (Reply.isEmpty()) {
        // Missed reply: the last reading becomes the previous one.
        for (int i = 1; i <= kMaxSignals; ++i) {
            Samples[i].Previous = Samples[i].Current;
            Samples[i].Current = 0.0;
        }
        if (LinkState == 0)
            LinkState = 1;
        else if (LostReplies < std::numeric_limits<qint32>::max())
            ++LostReplies;
        return;
    }
    if (Reply.size() < kMinReplySize)
        return;
    // One reply moves 1 to 2 and 2 to 0, never 1 to 0: in state 2 the
    // reply's older sample fills the gap left by the missed one.
    if (LinkState == 2)
        LinkState = 0;
    if (LinkState == 1)
        LinkState = 2;
    const auto *packet = reinterpret_cast<const uchar *>(Reply.constData());
    if (ModuleType == 1)
        decodeType1(packet);
    else if (ModuleType == 2)
        decodeType2(packet, Reply.size());
}

// Type 1: inputs 1..5 (10 bits) and the states of outputs 1 and 2; the
// current sample at positions 10..16, the previous one at 17..23.
void TOV_MOD_Object::decodeType1(const uchar *p)
{
    struct Sample
    {
        int lowFirst, highByte, fifthHigh;
    };
    const Sample current { 10, 15, 16 };
    const Sample previous { 17, 22, 23 };
    for (const auto &[sample, target] : { std::pair { current, &TSignalSample::Current },
             std::pair { previous, &TSignalSample::Previous } }) {
        for (int k = 0; k < 4; ++k) {
            const int raw = tenBit(p, sample.highByte, 6 - 2 * k, sample.lowFirst + k);
            Samples[k + 1].*target = inputValue(raw, Signals[k + 1]);
        }
        const int raw5 = tenBit(p, sample.fifthHigh, 0, sample.lowFirst + 4);
        Samples[5].*target = inputValue(raw5, Signals[5]);
        Samples[6].*target = stateValue(bit(p, sample.fifthHigh, 2), Signals[6]);
        Samples[7].*target = stateValue(bit(p, sample.fifthHigh, 3), Signals[7]);
    }
}

// Type 2: battery (16 bits), temperature (16 bits less 1024, into signals 2
// and 3), inputs 4..6 (10 bits) and the two relay states, which have no
// previous sample. The previous sample reaches position 26, past the check
// byte of a packet shorter than 28 bytes: a reading is taken only from
// positions before the check byte, and a previous reading the packet does
// not carry leaves that signal's Previous as it was, like the relay states.
void TOV_MOD_Object::decodeType2(const uchar *p, qsizetype size)
{
    const qsizetype lastPayload = size - 2;

    Samples[7].Current = stateValue(bit(p, 5, 2), Signals[7]);
    Samples[8].Current = stateValue(bit(p, 5, 3), Signals[8]);
    Samples[4].Current = inputValue(tenBit(p, 6, 4, 7), Signals[4]);
    Samples[5].Current = inputValue(tenBit(p, 8, 2, 9), Signals[5]);
    Samples[6].Current = inputValue(tenBit(p, 10, 0, 11), Signals[6]);
    Samples[1].Current = inputValue(sixteenBit(p, 12), Signals[1]);
    const int temperature = sixteenBit(p, 14) - 1024;
    Samples[2].Current = inputValue(temperature, Signals[2]);
    Samples[3].Current = inputValue(temperature, Signals[3]);

    if (lastPayload >= 22) {
        Samples[4].Previous = inputValue(tenBit(p, 17, 4, 18), Signals[4]);
        Samples[5].Previous = inputValue(tenBit(p, 19, 2, 20), Signals[5]);
        Samples[6].Previous = inputValue(tenBit(p, 21, 0, 22), Signals[6]);
    }
    if (lastPayload >= 24)
        Samples[1].Previous = inputValue(sixteenBit(p, 23), Signals[1]);
    if (lastPayload >= 26) {
        const int previousTemperature = sixteenBit(p, 25) - 1024;
        Samples[2].Previous = inputValue(previousTemperature, Signals[2]);
        Samples[3].Previous = inputValue(previousTemperature, Signals[3]);
    }
}

void TOV_MOD_Object::CheckAlarms()
{
    // A gap neither raises nor clears an alarm: only steady replies count.
    if (!GoodReplyCount || *GoodReplyCount <= 0 || LinkState != 0 || SignalCount <= 0)
        return;
    const int count = usedSignals();
    for (int i = 1; i <= count; ++i) {
        const TSignalRecord &s = Signals[i];
        const double v = Samples[i].Current;
        const bool inAlarm = std::isnan(v) || v >= s.AlarmHigh || v <= s.AlarmLow;
        if (!inAlarm) {
            AlarmActive[i] = 0;
            continue;
        }
        if (AlarmActive[i] != 0)
            continue; // reported already, not yet back inside the limits
        if (AlarmList) {
            const AlarmTexts texts = alarmTexts(i);
            AlarmList->appendAlarmLine(texts.line());
            AlarmList->showWarning(texts.time, texts.module, texts.signal, texts.limits);
        }
        AlarmActive[i] = 1;
    }
}

TOV_MOD_Object::AlarmTexts TOV_MOD_Object::alarmTexts(int i) const
{
    AlarmTexts texts;
    if (i < 1 || i > kMaxSignals)
        return texts;
    const TSignalRecord &s = Signals[i];
    const QTime now = currentTime().time();
    texts.time
        = ZeroPad(now.hour(), 2) + ':' + ZeroPad(now.minute(), 2) + ':' + ZeroPad(now.second(), 2);
    texts.module = "Module = " + SerialText;
    texts.signal
        = s.Name + " = " + DotDecimal(formatTwoDecimals(Samples[i].Current)) + ' ' + s.Unit;
    texts.limits = "(High = " + DotDecimal(formatTwoDecimals(s.AlarmHigh))
        + "; Low = " + DotDecimal(formatTwoDecimals(s.AlarmLow)) + ')';
    return texts;
}

} // namespace orvane
