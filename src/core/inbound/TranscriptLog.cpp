#include "inbound/TranscriptLog.h"

#include "inbound/ShownText.h"

#include <algorithm>

namespace inbound {

void TranscriptLog::setLimits(qsizetype maxLines, qsizetype maxChars)
{
    m_maxLines = maxLines;
    m_maxChars = maxChars;
}

void TranscriptLog::append(QStringView line, QString *alsoTo)
{
    if (m_chunks.empty() || m_chunks.back().text.size() >= ChunkChars) {
        // Room for one more line past the chunk's size, so a chunk never
        // grows once made.
        m_chunks.push_back({m_total, QString()});
        m_chunks.back().text.reserve(ChunkChars + MaxLineShown + 1);
    }
    QString &text = m_chunks.back().text;
    const qsizetype before = text.size();
    appendShown(text, line, MaxLineShown);
    if (alsoTo)
        alsoTo->append(QStringView(text).sliced(before));
    text.append(u'\n');
    m_total += text.size() - before;
    m_ends.push_back(m_total);
    if (lines() > m_maxLines || chars() > m_maxChars)
        dropBefore(oldestCovering(lines() - m_maxLines, chars() - m_maxChars));
}

qsizetype TranscriptLog::index(qint64 seq) const
{
    return m_head + qsizetype(std::clamp(seq, m_first, end()) - m_first);
}

QString TranscriptLog::text(qint64 from, qint64 to) const
{
    const qint64 a = startOf(index(from));
    const qint64 b = startOf(index(to));
    QString out;
    if (b <= a)
        return out;
    out.reserve(qsizetype(b - a));
    // The first chunk that ends after a: the last one that starts at or before it.
    auto it = std::upper_bound(m_chunks.begin(), m_chunks.end(), a,
                               [](qint64 offset, const Chunk &c) { return offset < c.base; });
    for (--it; it != m_chunks.end() && it->base < b; ++it) {
        const qint64 from_ = std::max(a, it->base) - it->base;
        const qint64 to_ = std::min(b, it->base + it->text.size()) - it->base;
        out.append(QStringView(it->text).sliced(qsizetype(from_), qsizetype(to_ - from_)));
    }
    return out;
}

qsizetype TranscriptLog::chars(qint64 from, qint64 to) const
{
    return qsizetype(qMax<qint64>(0, startOf(index(to)) - startOf(index(from))));
}

void TranscriptLog::dropBefore(qint64 seq)
{
    const qsizetype to = index(seq);
    m_first += to - m_head;
    m_head = to;
    if (lines() == 0) {
        // A flood's worth of text is not kept for the next trickle, but one
        // chunk is: everyday chat empties the log at every flush, and would
        // make and free a chunk for each line.
        while (m_chunks.size() > 1)
            m_chunks.pop_front();
        if (!m_chunks.empty()) {
            m_chunks.back().base = m_total;
            m_chunks.back().text.resize(0); // keeps its room
        }
        m_ends.clear();
        m_head = 0;
        m_origin = m_total;
        return;
    }
    // Whole chunks before the oldest line kept go back at once.
    const qint64 keep = startOf(m_head);
    while (m_chunks.size() > 1 && m_chunks[1].base <= keep)
        m_chunks.pop_front();
    if (m_head > 4096 && m_head * 2 > qsizetype(m_ends.size()))
        compact();
}

void TranscriptLog::compact()
{
    m_origin = startOf(m_head);
    m_ends.erase(m_ends.begin(), m_ends.begin() + m_head);
    m_head = 0;
}

qint64 TranscriptLog::oldestCovering(qsizetype lines, qsizetype chars) const
{
    qsizetype n = std::clamp<qsizetype>(lines, 0, this->lines());
    if (chars > 0) {
        // The first line whose end leaves at least chars behind it.
        const qint64 want = startOf(m_head) + chars;
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
    const qint64 want = m_total - chars;
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
