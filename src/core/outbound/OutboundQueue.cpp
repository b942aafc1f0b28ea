#include "outbound/OutboundQueue.h"

#include "protocol/WireText.h"

void OutboundQueue::setRule(std::optional<outbound::PaceRule> rule, qint64 marginMs)
{
    m_rule = rule;
    m_marginMs = marginMs;
}

void OutboundQueue::add(const QList<outbound::Outgoing> &lines)
{
    ++m_inputs;
    for (const outbound::Outgoing &out : lines)
        m_waiting.append(Waiting{Line{wire::toWire(out.line), out.echo}, out.rest, m_inputs});
}

void OutboundQueue::addFirst(const QString &line)
{
    m_waiting.prepend(Waiting{Line{wire::toWire(line), QString()}, QString(), ++m_inputs});
}

qint64 OutboundQueue::dueAt(qint64 nowMs) const
{
    if (!m_rule || m_waiting.isEmpty())
        return nowMs;
    return outbound::nextSendAt(m_sent, m_waiting.first().line.bytes.size(), nowMs, *m_rule, m_marginMs);
}

void OutboundQueue::markSent(qint64 nowMs)
{
    const Waiting next = m_waiting.takeFirst();
    if (m_rule) {
        // A line out of every window a later one can look at counts no more.
        const qint64 span = m_rule->windowMs + m_marginMs;
        qsizetype old = 0;
        while (old < m_sent.size() && m_sent.at(old).atMs + span <= nowMs)
            ++old;
        m_sent.remove(0, old);
        m_sent.append(outbound::SentLine{nowMs, next.line.bytes.size()});
    }
}

QStringList OutboundQueue::takeBack()
{
    QStringList given;
    quint64 last = 0;
    for (const Waiting &w : std::as_const(m_waiting)) {
        if (w.input != last && !w.rest.isNull())
            given.append(w.rest);
        last = w.input;
    }
    m_waiting.clear();
    return given;
}
