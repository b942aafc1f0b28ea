#include "inbound/LineCutter.h"

namespace inbound {

void LineCutter::clear()
{
    m_buf.clear();
    m_pos = m_tail = 0;
    m_skipLf = m_discarding = false;
}

void LineCutter::dropPartial()
{
    qsizetype keep = qMax(m_tail, m_pos);
    // The LF of the last CR LF still belongs to that line.
    if (keep == m_tail && keep > 0 && keep < m_buf.size() && m_buf.at(keep) == '\n' && m_buf.at(keep - 1) == '\r')
        ++keep;
    m_buf.truncate(keep);
    // A last CR still to be handed out gets its LF now: otherwise handing it
    // out would take an LF that opens the next connection's data for its own.
    if (m_pos < keep && m_buf.at(keep - 1) == '\r')
        m_buf.append('\n');
    m_skipLf = m_discarding = false;
}

void LineCutter::compact()
{
    if (m_pos == 0)
        return;
    if (m_pos >= m_buf.size()) {
        m_buf.resize(0); // keeps the capacity: no allocation per arrival
        m_tail = m_pos = 0;
        return;
    }
    // Shifting costs what is left; only worth it once the consumed part is
    // large, or the buffer would creep forward forever.
    if (m_pos < MaxLineLength && m_pos < m_buf.size() / 2)
        return;
    m_buf.remove(0, m_pos);
    m_tail = qMax<qsizetype>(0, m_tail - m_pos);
    m_pos = 0;
}

void LineCutter::feed(QByteArrayView chunk)
{
    compact();
    if (m_skipLf && !chunk.isEmpty()) {
        m_skipLf = false;
        if (chunk.front() == '\n')
            chunk = chunk.sliced(1);
    }
    if (m_discarding) {
        const qsizetype cr = chunk.indexOf('\r');
        if (cr < 0)
            return;
        m_discarding = false;
        chunk = chunk.sliced(cr + 1);
        if (chunk.isEmpty()) {
            m_skipLf = true;
            return;
        }
        if (chunk.front() == '\n')
            chunk = chunk.sliced(1);
    }
    if (chunk.isEmpty())
        return;

    const qsizetype base = m_buf.size();
    m_buf.append(chunk);
    const qsizetype lastCr = chunk.lastIndexOf('\r');
    if (lastCr >= 0)
        m_tail = base + lastCr + 1;
    m_tail = qMax(m_tail, m_pos);
    // The LF of the last CR LF is not part of the run that follows it.
    qsizetype run = m_buf.size() - m_tail;
    if (run > 0 && m_tail > 0 && m_buf.at(m_tail) == '\n' && m_buf.at(m_tail - 1) == '\r')
        --run;
    if (run > MaxLineLength) {
        m_buf.truncate(m_tail);
        m_discarding = true;
    }
}

bool LineCutter::next(QByteArrayView &line)
{
    const QByteArrayView all(m_buf);
    for (;;) {
        if (m_pos >= all.size())
            return false;
        const qsizetype cr = all.indexOf('\r', m_pos);
        if (cr < 0)
            return false;
        const qsizetype start = m_pos;
        m_pos = cr + 1;
        if (m_pos < all.size()) {
            if (all[m_pos] == '\n')
                ++m_pos;
        } else {
            m_skipLf = true;
        }
        // A complete line can still be over-long when it came in one piece.
        if (cr - start > MaxLineLength)
            continue;
        line = all.sliced(start, cr - start + 1);
        return true;
    }
}

} // namespace inbound
