#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace inbound {

// Cuts received bytes into lines that end in their CR. What follows the last
// CR of an arrival is kept and joined to the next arrival, so a line split by
// the network comes out whole. Only an LF right after a CR is skipped, even
// when the CR ends one arrival and the LF opens the next. Cutting bytes
// before reading them as text is safe: no byte of a UTF-8 sequence is a CR
// or an LF.
//
// A run of more than MaxLineLength bytes without a CR is dropped as it
// comes in: a server that never ends its line cannot make us hold it.
class LineCutter
{
public:
    static constexpr qsizetype MaxLineLength = 64 * 1024;

    void feed(QByteArrayView chunk);

    // The next complete line, CR included. The view stays valid until the
    // next call of feed() or clear().
    bool next(QByteArrayView &line);

    // Bytes received but not yet handed out as lines.
    qsizetype pending() const { return m_buf.size() - m_pos; }
    void clear();
    // Forgets the unfinished run after the last complete line, and any
    // over-long run being dropped; complete lines not yet handed out stay.
    // For a new connection: what the old one left half-sent must not be
    // glued onto the first line of the next.
    void dropPartial();

private:
    void compact();

    QByteArray m_buf;
    qsizetype m_pos = 0;       // start of the next line in m_buf
    qsizetype m_tail = 0;      // start of the run after the last CR in m_buf
    bool m_skipLf = false;     // the last CR handed out ended the buffer
    bool m_discarding = false;
};

} // namespace inbound
