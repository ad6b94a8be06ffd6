#include "replytimer.h"

#include <cmath>

void ReplyTimer::addSample(PacketType type, qint64 ms)
{
    const double sample = double(qMax<qint64>(0, ms));
    auto it = m_estimates.find(kindOf(type));
    if (it == m_estimates.end()) {
        m_estimates.insert(kindOf(type), {sample, sample / 2});
        return;
    }
    // RFC 6298 gains: the variation follows the latest deviation by a quarter, the smoothed
    // time the latest sample by an eighth.
    it->variation = 0.75 * it->variation + 0.25 * std::abs(it->smoothed - sample);
    it->smoothed = 0.875 * it->smoothed + 0.125 * sample;
}

qint64 ReplyTimer::timeoutMs(PacketType type, int resends) const
{
    const auto it = m_estimates.constFind(kindOf(type));
    if (it == m_estimates.constEnd())
        return 0;
    const qint64 base =
        qint64(std::ceil(it->smoothed + qMax(4 * it->variation, double(kMinMarginMs))));
    const qint64 backedOff = base << qBound(0, resends, kMaxBackoffShift);
    return qMax(base, qMin(backedOff, kMaxTimeoutMs));
}

qint64 ReplyTimer::smoothedMs(PacketType type) const
{
    const auto it = m_estimates.constFind(kindOf(type));
    return it == m_estimates.constEnd() ? 0 : qint64(std::lround(it->smoothed));
}
