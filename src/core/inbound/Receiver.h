#pragma once

#include "inbound/LineCutter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QByteArray>
#include <QString>
#include <QTimer>

#include <functional>

namespace inbound {

// The receive engine: takes bytes from a source, cuts them into lines, reads
// each line once as text (wire::fromWire) and hands it to a sink, in the
// order it arrived, without ever holding up the event loop for long.
//
// How an arrival waits its turn. The socket announces new bytes through a
// queued notification, because Qt does not announce again while a slot for
// the last announcement is still running; arrived() then only schedules a
// slice on the continuation timer. A slice hands out lines for about SliceMs
// and returns to the event loop, so clicks, paints and modal dialogs are
// served between two slices; the timer brings the next slice after them.
// The source is read a piece at a time inside the slices, as the lines are
// used up. Bytes handed to feed() while a slice runs (a handler that spins an
// event loop, say) wait in the deferred bytes until the cutter has handed
// out everything before it, so lines never overtake each other.
//
// What it holds is bounded: the cutter at most BacklogLimit bytes plus
// one piece, past which bytes stay in the source (TCP then slows the server
// down); within that, a partial line of at most LineCutter::MaxLineLength.
// The deferred bytes only ever hold what takeUnread() found in the source,
// which the socket bounds (Winsock::ReadBufferLimit).
class Receiver : public QObject
{
    Q_OBJECT
public:
    // Hands out at most maxBytes bytes of what has arrived.
    using Source = std::function<QByteArray(qint64 maxBytes)>;
    using Sink = std::function<void(QStringView line)>;

    static constexpr qint64 SliceMs = 5;
    static constexpr qsizetype BacklogLimit = 1 << 20;
    // A megabyte read and cut at once would hold up the event loop.
    static constexpr qint64 ReadPiece = 64 * 1024;

    explicit Receiver(Sink sink, QObject *parent = nullptr);

    void setSource(Source source) { m_source = std::move(source); }

    // The source has something new.
    void arrived();
    // Bytes that come in some other way; handled now unless a slice runs.
    void feed(QByteArrayView bytes);
    // One slice; what is left waits for the next.
    void run();
    // Moves everything the source still holds into the receiver, as before
    // a new connection drops it.
    void takeUnread();
    // A new connection: what the last one left half-sent is not the start of
    // its first line. Complete lines still waiting are handed out.
    void startOver();

    // Lines or source bytes still to be handled.
    bool busy() const { return m_resume.isActive() || m_running; }
    // Bytes received but not yet handed out as lines.
    qsizetype backlog() const { return m_cutter.pending() + m_deferred.size(); }

signals:
    // A slice has handed out its lines; busy() says whether more follow.
    void passEnded();

private:
    Sink m_sink;
    Source m_source;
    LineCutter m_cutter;
    QTimer m_resume;
    QByteArray m_deferred;
    QString m_line; // the line being handled, read as text
    bool m_running = false;
};

} // namespace inbound
