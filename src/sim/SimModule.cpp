#include "SimModule.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvane {

namespace {

// A walking value takes one step per this much simulated time.
constexpr qint64 kWalkStepMs = 250;
// Steps caught up in one call at most; a longer gap skips ahead.
constexpr qint64 kMaxWalkSteps = 10000;

quint64 mixSeed(quint64 value)
{
    // splitmix64: spreads nearby seeds (band numbers) over the whole range.
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

int clampToRange(double value, RawRange range)
{
    const double rounded = std::round(value);
    return static_cast<int>(std::clamp(rounded, double(range.min), double(range.max)));
}

} // namespace

double unitRandom(std::mt19937_64 &random)
{
    return static_cast<double>(random() >> 11) * 0x1.0p-53;
}

SimModule::SimModule(const ScenarioModule &entry, quint64 seed)
    : m_entry(entry)
    , m_walkRandom(mixSeed(seed ^ mixSeed(static_cast<quint64>(entry.band) + 1)))
{
    for (double &phase : m_phase)
        phase = unitRandom(m_walkRandom) * 2 * std::numbers::pi;
}

QByteArray SimModule::scanAnswer() const
{
    return m_entry.answer.isEmpty() ? QByteArray("Orvane Module, ") + m_entry.serial
                                    : m_entry.answer;
}

double SimModule::amplitude(int index) const
{
    if (m_entry.amplitude >= 0)
        return m_entry.amplitude;
    const RawRange range = scenarioRawRange(m_entry.type, index);
    const double span = double(range.max - range.min) / 8;
    return std::clamp(std::abs(double(m_entry.raw[index])) * 0.1, std::min(4.0, span), span);
}

void SimModule::advanceWalk(qint64 nowMs)
{
    qint64 steps = (nowMs - m_walkTimeMs) / kWalkStepMs;
    if (steps > kMaxWalkSteps) {
        m_walkTimeMs += (steps - kMaxWalkSteps) * kWalkStepMs;
        steps = kMaxWalkSteps;
    }
    for (qint64 s = 0; s < steps; ++s) {
        for (int i = 0; i < 5; ++i) {
            // A quarter of the amplitude per step at most, pulled back toward
            // the centre so the value wanders around it.
            const double a = amplitude(i);
            double offset = m_walkOffset[i] + (unitRandom(m_walkRandom) * 2 - 1) * a * 0.25;
            offset -= 0.1 * offset;
            m_walkOffset[i] = std::clamp(offset, -a, a);
        }
        m_walkTimeMs += kWalkStepMs;
    }
}

std::array<int, 5> SimModule::valuesAt(qint64 nowMs)
{
    std::array<int, 5> values = m_entry.raw;
    if (m_entry.wave == SimWave::Walk)
        advanceWalk(nowMs);
    for (int i = 0; i < 5; ++i) {
        const RawRange range = scenarioRawRange(m_entry.type, i);
        double value = m_entry.raw[i];
        if (m_entry.wave == SimWave::Sine) {
            const double turns = double(nowMs) / double(std::max<qint64>(m_entry.periodMs, 1));
            value += amplitude(i) * std::sin(2 * std::numbers::pi * turns + m_phase[i]);
        } else if (m_entry.wave == SimWave::Walk) {
            value += m_walkOffset[i];
        }
        values[i] = clampToRange(value, range);
    }
    return values;
}

bool SimModule::setRaw(const std::array<int, 5> &raw)
{
    for (int i = 0; i < 5; ++i) {
        const RawRange range = scenarioRawRange(m_entry.type, i);
        if (raw[i] < range.min || raw[i] > range.max)
            return false;
    }
    m_entry.raw = raw;
    m_walkOffset = {};
    return true;
}

QByteArray SimModule::answerPoll(const SimRequest &request, qint64 nowMs)
{
    if (m_entry.type == 1 && request.kind == SimRequestKind::Type1Poll)
        return answerType1(request, nowMs);
    if (m_entry.type == 2 && request.kind == SimRequestKind::Type2Poll)
        return answerType2(request, nowMs);
    return {};
}

QByteArray SimModule::answerType1(const SimRequest &request, qint64 nowMs)
{
    // The outputs switch as the request arrives; the sample taken right after
    // reports them.
    m_outputs = request.outputs;
    const std::array<int, 5> values = valuesAt(nowMs);
    SimType1Sample current { values, m_outputs };
    SimType1Sample previous
        = m_hasPrevious ? SimType1Sample { m_previous, m_previousOutputs } : current;
    m_previous = values;
    m_previousOutputs = m_outputs;
    m_hasPrevious = true;
    return buildSimType1Reply(current, previous);
}

QByteArray SimModule::answerType2(const SimRequest &request, qint64 nowMs)
{
    const std::array<int, 5> values = valuesAt(nowMs);
    // The raw count a rule watches, for signals 1..6.
    const auto watched = [&values](int signal) {
        if (signal == 1)
            return values[0];
        if (signal == 2 || signal == 3)
            return values[1] + 1024;
        return values[signal - 2];
    };
    for (int r = 0; r < 2; ++r) {
        const int mode = request.modes[r];
        if (mode == 0)
            m_outputs[r] = false;
        else if (mode == 1)
            m_outputs[r] = true;
        else if (mode <= 7)
            m_outputs[r] = watched(mode - 1) >= request.thresholds[r];
        // Other mode bytes mean nothing to the module: the relay stays.
    }
    const auto sample = [](const std::array<int, 5> &v) {
        return SimType2Sample { v[0], v[1] + 1024, { v[2], v[3], v[4] } };
    };
    const SimType2Sample current = sample(values);
    const SimType2Sample previous = m_hasPrevious ? sample(m_previous) : current;
    m_previous = values;
    m_hasPrevious = true;
    return buildSimType2Reply(current, previous, m_outputs);
}

} // namespace orvane
