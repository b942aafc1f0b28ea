#include "inbound/TranscriptLog.h"

#include "inbound/ShownText.h"

#include <algorithm>

namespace inbound {

void TranscriptLog::setLimits(qsizetype maxLines, qsizetype maxChars)
{
    m_maxLines = maxLines;
    m_maxChars = maxChars;
}

void TranscriptLog::append(QStringView line)
{
    appendShown(m_text, line, MaxLineShown);
    m_text.append(u'\n');
    m_ends.push_back(m_text.size());
    if (lines() > m_maxLines || chars() > m_maxChars)
        dropBefore(oldestCovering(lines() - m_maxLines, chars() - m_maxChars));
}

qsizetype TranscriptLog::index(qint64 seq) const
{
    return m_head + qsizetype(std::clamp(seq, m_first, end()) - m_first);
}

QStringView TranscriptLog::text(qint64 from, qint64 to) const
{
    const qsizetype a = startOf(index(from));
    return QStringView(m_text).sliced(a, qMax<qsizetype>(0, startOf(index(to)) - a));
}

qsizetype TranscriptLog::chars(qint64 from, qint64 to) const
{
    return qMax<qsizetype>(0, startOf(index(to)) - startOf(index(from)));
}

void TranscriptLog::dropBefore(qint64 seq)
{
    const qsizetype to = index(seq);
    m_first += to - m_head;
    m_head = to;
    if (lines() == 0) {
        // A flood's worth of text is not kept for the next trickle.
        m_text = QString();
        m_ends.clear();
        m_head = 0;
    } else if (m_head > 4096 && m_head * 2 > qsizetype(m_ends.size())) {
        compact();
    }
}

void TranscriptLog::compact()
{
    const qsizetype base = startOf(m_head);
    m_text.remove(0, base);
    m_ends.erase(m_ends.begin(), m_ends.begin() + m_head);
    for (qsizetype &e : m_ends)
        e -= base;
    m_head = 0;
}

qint64 TranscriptLog::oldestCovering(qsizetype lines, qsizetype chars) const
{
    qsizetype n = std::clamp<qsizetype>(lines, 0, this->lines());
    if (chars > 0) {
        // The first line whose end leaves at least chars behind it.
        const qsizetype want = startOf(m_head) + chars;
        const auto it = std::lower_bound(m_ends.begin() + m_head, m_ends.end(), want);
        n = qMax(n, qsizetype(it - m_ends.begin()) - m_head + (it == m_ends.end() ? 0 : 1));
    }
    return m_first + n;
}

qint64 TranscriptLog::newestWithin(qsizetype lines, qsizetype chars, qint64 from) const
{
    if (end() == first())
        return end();
    qsizetype i = qMax(index(from), qsizetype(m_ends.size()) - qMax<qsizetype>(lines, 1));
    // The first line that starts no more than chars before the end.
    const qsizetype want = m_text.size() - chars;
    if (startOf(i) < want) {
        const auto it = std::lower_bound(m_ends.begin() + i, m_ends.end(), want);
        i = qsizetype(it - m_ends.begin()) + 1;
    }
    i = qMin(i, qsizetype(m_ends.size()) - 1);
    return m_first + (i - m_head);
}

qint64 TranscriptLog::fromWithin(qint64 from, qsizetype chars) const
{
    const qsizetype i = index(from);
    if (i == qsizetype(m_ends.size()))
        return end();
    // The first line that ends more than chars after `from` starts.
    const auto it = std::upper_bound(m_ends.begin() + i, m_ends.end(), startOf(i) + chars);
    const qsizetype j = qMax(qsizetype(it - m_ends.begin()), i + 1);
    return m_first + (j - m_head);
}

} // namespace inbound
