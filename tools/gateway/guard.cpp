#include "guard.h"

#include <algorithm>

FloodGuard::FloodGuard(qint64 tickMs)
    : m_tickMs(std::max<qint64>(1, tickMs))
{
    m_clock.start();
}

FloodGuard::Verdict FloodGuard::check(qsizetype bytes)
{
    if (bytes > LongestLine)
        return Verdict::TooLong;
    const qint64 now = m_clock.elapsed() / m_tickMs;
    while (!m_recent.isEmpty() && now >= m_recent.first().tick + WindowTicks) {
        m_units -= m_recent.first().units;
        m_recent.removeFirst();
    }
    const int units = std::max<int>(1, int((bytes + BytesPerUnit - 1) / BytesPerUnit));
    m_recent.append(Stamp{now, units});
    m_units += units;
    if (m_units >= DisconnectAt)
        return Verdict::Disconnect;
    return m_units >= RefuseAt ? Verdict::Refuse : Verdict::Pass;
}
