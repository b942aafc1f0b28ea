#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace inbound {

// Received transcript lines in order, one record each, every line numbered
// from the first line ever appended. A line is kept as shown (see
// appendShown) and ends in a line feed, which counts as one character.
// The text of consecutive lines is one piece, so a run of lines goes into a
// document in one go, and nothing is ever found by searching for line feeds:
// every count here is arithmetic on the records.
//
// It keeps at most maxLines lines and maxChars characters, dropping the
// oldest as lines arrive.
class TranscriptLog
{
public:
    // Sequence numbers: the oldest line kept, and the next line to come.
    qint64 first() const { return m_first; }
    qint64 end() const { return m_first + lines(); }
    qsizetype lines() const { return qsizetype(m_ends.size()) - m_head; }
    qsizetype chars() const { return m_text.size() - startOf(m_head); }

    void setLimits(qsizetype maxLines, qsizetype maxChars);
    void append(QStringView line);

    // Lines [from, to), clamped to what is kept.
    QStringView text(qint64 from, qint64 to) const;
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
    qsizetype index(qint64 seq) const;
    // Text offset of the line at index i.
    qsizetype startOf(qsizetype i) const { return i == 0 ? 0 : m_ends[size_t(i - 1)]; }
    void compact();

    QString m_text;
    std::vector<qsizetype> m_ends; // offset just after each line's line feed
    qsizetype m_head = 0;          // index of the oldest line kept
    qint64 m_first = 0;
    qsizetype m_maxLines = 0;
    qsizetype m_maxChars = 0;
};

} // namespace inbound
