#include "OVModObjectUnit.h"

#include "protocol/WireProtocol.h"

#include <cmath>

// Output rules and the poll requests that carry the outputs to the module.
namespace orvane {

namespace {
constexpr double kMaxThreshold = 65535.0;

// Nearest integer, an exact half going to the even neighbour, independent of
// the floating-point rounding mode. x - floor(x) is exact for every double.
double roundHalfEven(double x)
{
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction > 0.5)
        return lower + 1.0;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}
} // namespace

quint16 type2Threshold(double ruleValue, double gain, double offset, bool temperatureSignal)
{
    double t = (ruleValue - offset) / gain / 5.0 * 1024.0;
    if (std::isnan(t))
        return quint16(kMaxThreshold);
    if (std::isfinite(t))
        t = roundHalfEven(t);
    if (temperatureSignal)
        t += 1024.0; // the module compares the field before its 1024 offset
    // A gain of 0 gives an infinite threshold: never reached above the
    // offset, always reached below it, as the clamped values behave too.
    if (t < 0.0)
        return 0;
    if (t > kMaxThreshold)
        return quint16(kMaxThreshold);
    return quint16(t);
}

// The rule of one output: "Off", "On", or on/off by the watched signal's
// current value against the threshold. Any RuleAction other than 0 ("ON")
// counts as 1 ("OFF"), so the state stays 0 or 1 whatever a settings file
// holds; a watched signal outside the table has no value and counts as below
// the threshold.
qint32 TOV_MOD_Object::ruleState(qint32 outputSignal, qint32 previousState) const
{
    const TSignalRecord &out = Signals[size_t(outputSignal)];
    switch (out.OutputMode) {
    case OutputOff:
        return 0;
    case OutputOn:
        return 1;
    case OutputUseRule: {
        const bool switchesOn = out.RuleAction == 0;
        const bool watched = out.RuleInput >= 1 && out.RuleInput <= usedSignals();
        const bool above = watched && Samples[size_t(out.RuleInput)].Current >= out.RuleValue;
        return above == switchesOn ? 1 : 0;
    }
    default:
        return previousState;
    }
}

void TOV_MOD_Object::EvaluateRules()
{
    OutputState1 = ruleState(Output1Signal(), OutputState1);
    OutputState2 = ruleState(Output2Signal(), OutputState2);
}

// The mode byte of a type-2 poll: 0x00 "Off", 0x01 "On", watched signal + 1
// for "Use Rule". The module knows rules on signals 1..6 only; a rule on any
// other signal and an unknown mode (both only from a damaged settings file)
// are sent as "Off".
quint8 TOV_MOD_Object::type2ModeByte(qint32 outputSignal) const
{
    const TSignalRecord &out = Signals[size_t(outputSignal)];
    switch (out.OutputMode) {
    case OutputOn:
        return kType2ModeOn;
    case OutputUseRule:
        if (out.RuleInput >= 1 && out.RuleInput < Output1Signal())
            return type2RuleMode(out.RuleInput);
        return kType2ModeOff;
    default:
        return kType2ModeOff;
    }
}

quint16 TOV_MOD_Object::type2ThresholdOf(qint32 outputSignal) const
{
    const TSignalRecord &out = Signals[size_t(outputSignal)];
    const qint32 m = out.RuleInput;
    if (m < 1 || m >= Output1Signal())
        return quint16(kMaxThreshold); // no watched signal: never switches on
    const TSignalRecord &watched = Signals[size_t(m)];
    return type2Threshold(out.RuleValue, watched.Gain, watched.Offset, m == 2 || m == 3);
}

QByteArray TOV_MOD_Object::BuildRequest(int slot) const
{
    if (slot < 1 || slot > 4)
        return QByteArray();
    if (ModuleType == 1)
        return type1PollRequest(slot, quint8(OutputState1), quint8(OutputState2));
    if (ModuleType == 2) {
        const auto output = [this](qint32 signal) {
            return Type2Output { type2ModeByte(signal), type2ThresholdOf(signal) };
        };
        return type2PollRequest(slot, output(Output1Signal()), output(Output2Signal()));
    }
    return QByteArray();
}

} // namespace orvane
