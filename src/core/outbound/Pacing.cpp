#include "outbound/Pacing.h"

#include <algorithm>

namespace outbound {

int unitsOf(qsizetype bytes, const PaceRule &rule)
{
    const qsizetype per = std::max(1, rule.bytesPerUnit);
    return int(std::max<qsizetype>(1, (bytes + per - 1) / per));
}

int unitBudget(const PaceRule &rule)
{
    return std::max(1, rule.refuseAt - 1);
}

qsizetype longestPassing(const PaceRule &rule)
{
    return std::min<qsizetype>(qsizetype(unitBudget(rule)) * std::max(1, rule.bytesPerUnit), rule.longestLine);
}

qint64 nextSendAt(const QList<SentLine> &sent, qsizetype bytes, qint64 nowMs, const PaceRule &rule,
                  qint64 marginMs)
{
    const qint64 span = std::max<qint64>(0, rule.windowMs) + std::max<qint64>(0, marginMs);
    const int budget = unitBudget(rule);
    const int need = std::min(unitsOf(bytes, rule), budget);
    const auto expiry = [&](const SentLine &line) { return std::min(line.atMs, nowMs) + span; };

    int counted = 0;
    for (const SentLine &line : sent)
        if (expiry(line) > nowMs)
            counted += unitsOf(line.bytes, rule);
    // Oldest first: each line that runs out frees its units.
    for (const SentLine &line : sent) {
        if (counted + need <= budget)
            break;
        if (expiry(line) > nowMs) {
            counted -= unitsOf(line.bytes, rule);
            if (counted + need <= budget)
                return expiry(line);
        }
    }
    return nowMs;
}

} // namespace outbound
