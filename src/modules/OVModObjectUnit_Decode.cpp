#include "OVModObjectUnit.h"

#include "ModulePorts.h"
#include "NumberText.h"
#include "protocol/WireProtocol.h"

#include <cmath>
#include <limits>

// Taking the readings out of a reply packet, converting them, and the alarm
// check on the converted values.
namespace orvane {

namespace {
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
    if (Reply.size() < kReadingsReplySize)
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

// Type 1: inputs 1..5 and the states of outputs 1 and 2, both samples.
void TOV_MOD_Object::decodeType1(const uchar *p)
{
    for (const auto &[at, target] : { std::pair { kType1Current, &TSignalSample::Current },
             std::pair { kType1Previous, &TSignalSample::Previous } }) {
        const Type1Fields f = readType1(p, at);
        for (int k = 1; k <= 5; ++k)
            Samples[k].*target = inputValue(f.input[size_t(k - 1)], Signals[k]);
        Samples[6].*target = stateValue(f.output[0], Signals[6]);
        Samples[7].*target = stateValue(f.output[1], Signals[7]);
    }
}

// Type 2: battery, temperature (into signals 2 and 3), inputs 4..6 and the
// two relay states, which have no previous sample. A previous reading that a
// short packet does not carry leaves that signal's Previous as it was, like
// the relay states.
void TOV_MOD_Object::decodeType2(const uchar *p, qsizetype size)
{
    const auto convert = [this](const Type2Fields &f, double TSignalSample::*target) {
        if (f.hasInput) {
            for (int k = 4; k <= 6; ++k)
                Samples[k].*target = inputValue(f.input[size_t(k - 4)], Signals[k]);
        }
        if (f.hasBattery)
            Samples[1].*target = inputValue(f.battery, Signals[1]);
        if (f.hasTemperature) {
            Samples[2].*target = inputValue(f.temperature, Signals[2]);
            Samples[3].*target = inputValue(f.temperature, Signals[3]);
        }
    };
    const Type2Fields current = readType2Current(p);
    Samples[7].Current = stateValue(current.relay[0], Signals[7]);
    Samples[8].Current = stateValue(current.relay[1], Signals[8]);
    convert(current, &TSignalSample::Current);
    convert(readType2Previous(p, size), &TSignalSample::Previous);
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
