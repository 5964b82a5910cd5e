#pragma once

#include "Scenario.h"
#include "SimProtocol.h"

#include <random>

namespace orvane {

// One simulated radio module: its values as a function of simulated time,
// the samples it took at its polls, and its two outputs.
class SimModule
{
public:
    // `seed` is the scenario's; each module derives its own streams from it
    // and its band, so modules do not disturb each other's values.
    SimModule(const ScenarioModule &entry, quint64 seed);

    const ScenarioModule &entry() const { return m_entry; }
    int band() const { return m_entry.band; }

    // The text answered to a scan of its band.
    QByteArray scanAnswer() const;

    // Takes a sample at simulated time `nowMs`, sets the outputs from the
    // request and builds the reply. Empty when the request is not a poll of
    // this module's type (such polls are not answered and change nothing).
    QByteArray answerPoll(const SimRequest &request, qint64 nowMs);

    // The raw values (in the scenario's form) at simulated time `nowMs`.
    // Times must not go backwards between calls.
    std::array<int, 5> valuesAt(qint64 nowMs);

    // New centre values for the wave (or the constant values). False, and no
    // change, if one is outside its range.
    bool setRaw(const std::array<int, 5> &raw);

    // Type 1: the states last told. Type 2: the relays as last ruled.
    std::array<bool, 2> outputs() const { return m_outputs; }

private:
    double amplitude(int index) const;
    void advanceWalk(qint64 nowMs);
    QByteArray answerType1(const SimRequest &request, qint64 nowMs);
    QByteArray answerType2(const SimRequest &request, qint64 nowMs);

    ScenarioModule m_entry;
    std::array<double, 5> m_phase {};
    std::mt19937_64 m_walkRandom;
    std::array<double, 5> m_walkOffset {};
    qint64 m_walkTimeMs = 0;
    std::array<bool, 2> m_outputs {};
    bool m_hasPrevious = false;
    std::array<int, 5> m_previous {};
    std::array<bool, 2> m_previousOutputs {};
};

// A uniform number in [0, 1) from 53 random bits: the same on every platform,
// unlike the standard distributions.
double unitRandom(std::mt19937_64 &random);

} // namespace orvane
