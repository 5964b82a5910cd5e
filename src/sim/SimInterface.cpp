#include "SimInterface.h"

namespace orvane {

SimInterface::SimInterface(const Scenario &scenario)
    : m_identity(scenario.identity)
    , m_lossRate(scenario.lossRate)
    , m_corruptRate(scenario.corruptRate)
    , m_truncateRate(scenario.truncateRate)
    , m_faultRandom(scenario.seed)
{
    for (const ScenarioModule &entry : scenario.modules)
        m_modules.emplace_back(entry, scenario.seed);
}

SimModule *SimInterface::module(int band)
{
    for (SimModule &module : m_modules) {
        if (module.band() == band)
            return &module;
    }
    return nullptr;
}

QByteArray SimInterface::answer(const QByteArray &frame, qint64 nowMs)
{
    const SimRequest request = parseSimRequest(frame);
    if (request.kind == SimRequestKind::Identity)
        return m_identity;
    SimModule *target = module(request.band);
    if (!target)
        return {}; // nobody on that band: silence
    if (request.kind == SimRequestKind::Scan)
        return target->scanAnswer();
    QByteArray reply = target->answerPoll(request, nowMs);
    if (reply.isEmpty())
        return {};
    return applyFaults(reply, target->entry());
}

QByteArray SimInterface::applyFaults(QByteArray reply, const ScenarioModule &entry)
{
    // Three draws for every reply, whatever the rates, so that changing one
    // rate does not shift the random stream the others see.
    const double loss = unitRandom(m_faultRandom);
    const double corrupt = unitRandom(m_faultRandom);
    const double truncate = unitRandom(m_faultRandom);
    if (loss < entry.lossRate.value_or(m_lossRate))
        return {};
    if (corrupt < entry.corruptRate.value_or(m_corruptRate)) {
        const auto delta = static_cast<char>(1 + m_faultRandom() % 255);
        reply[reply.size() - 1] = static_cast<char>(reply.at(reply.size() - 1) + delta);
    }
    if (truncate < entry.truncateRate.value_or(m_truncateRate))
        reply.truncate(1 + static_cast<qsizetype>(m_faultRandom() % (reply.size() - 1)));
    return reply;
}

} // namespace orvane
