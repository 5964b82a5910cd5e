#pragma once

#include "SimModule.h"

#include <random>
#include <vector>

namespace orvane {

// The interface box and the radio beyond it: takes one frame written by the
// PC and gives what comes back (nothing, the identity, a scan answer, or a
// poll reply that the radio may lose, corrupt or cut short).
class SimInterface
{
public:
    explicit SimInterface(const Scenario &scenario);

    // The bytes answered to `frame` at simulated time `nowMs`; empty: none.
    QByteArray answer(const QByteArray &frame, qint64 nowMs);

    // The module on `band`, or null.
    SimModule *module(int band);

private:
    QByteArray applyFaults(QByteArray reply, const ScenarioModule &entry);

    QByteArray m_identity;
    double m_lossRate;
    double m_corruptRate;
    double m_truncateRate;
    std::vector<SimModule> m_modules;
    std::mt19937_64 m_faultRandom;
};

} // namespace orvane
