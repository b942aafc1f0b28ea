#pragma once

#include <QString>
#include <QStringView>

#include <deque>
#include <vector>

namespace inbound {

// Received transcript lines in order, one record each, every line numbered
// from the first line ever appended. A line is kept as shown (see
// appendShown) and ends in a line feed, which counts as one character.
// Nothing is ever found by searching for line feeds: every count here is
// arithmetic on the records.
//
// It keeps at most maxLines lines and maxChars characters, dropping the
// oldest as lines arrive. The text lives in chunks of about ChunkChars, each
// holding whole lines, so the oldest lines' memory goes back chunk by chunk
// as they are dropped, and the text is never moved or grown in one piece: a
// single string would hold as much again in dropped lines and growing room.
class TranscriptLog
{
public:
    static constexpr qsizetype ChunkChars = 64 * 1024;

    // Sequence numbers: the oldest line kept, and the next line to come.
    qint64 first() const { return m_first; }
    qint64 end() const { return m_first + lines(); }
    qsizetype lines() const { return qsizetype(m_ends.size()) - m_head; }
    qsizetype chars() const { return qsizetype(m_total - startOf(m_head)); }

    void setLimits(qsizetype maxLines, qsizetype maxChars);
    // With alsoTo, the line as shown is appended there too, without its
    // line feed: whoever keeps another copy need not make it again.
    void append(QStringView line, QString *alsoTo = nullptr);

    // Lines [from, to), clamped to what is kept, as one text.
    QString text(qint64 from, qint64 to) const;
    qsizetype chars(qint64 from, qint64 to) const;

    // Drops every line before seq.
    void dropBefore(qint64 seq);
    void clear() { dropBefore(end()); }

    // The end of the fewest oldest lines that are at least `lines` lines
    // and `chars` characters (all of them if they are not enough).
    qint64 oldestCovering(qsizetype lines, qsizetype chars) const;
    // Where the newest lines start that are at most `lines` lines and
    // `chars` characters, one line at least, none before `from`.
    qint64 newestWithin(qsizetype lines, qsizetype chars, qint64 from) const;
    // The end of the lines from `from` on that fit in `chars`, one at least.
    qint64 fromWithin(qint64 from, qsizetype chars) const;

private:
    struct Chunk
    {
        qint64 base; // offset of its first character in all text ever appended
        QString text;
    };

    qsizetype index(qint64 seq) const;
    // Offset of the line at index i in all text ever appended.
    qint64 startOf(qsizetype i) const { return i == 0 ? m_origin : m_ends[size_t(i - 1)]; }
    void compact();

    std::deque<Chunk> m_chunks;
    std::vector<qint64> m_ends; // offset just after each line's line feed
    qsizetype m_head = 0;       // index of the oldest line kept
    qint64 m_origin = 0;        // where the line at index 0 starts
    qint64 m_total = 0;         // offset after the newest line
    qint64 m_first = 0;
    qsizetype m_maxLines = 0;
    qsizetype m_maxChars = 0;
};

} // namespace inbound
