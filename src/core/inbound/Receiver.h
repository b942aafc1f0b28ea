#pragma once

#include "inbound/LineCutter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace inbound {

// The receive engine: takes text from a source, cuts it into lines and hands
// each line to a sink, in the order it arrived, without ever holding up the
// event loop for long.
//
// How an arrival waits its turn. The socket announces new bytes through a
// queued notification, because Qt does not announce again while a slot for
// the last announcement is still running; arrived() then only schedules a
// slice on the continuation timer. A slice hands out lines for about SliceMs
// and returns to the event loop, so clicks, paints and modal dialogs are
// served between two slices; the timer brings the next slice after them.
// The source is read a piece at a time inside the slices, as the lines are
// used up. Text handed to feed() while a slice runs (a handler that spins an
// event loop, say) waits in the deferred text until the cutter has handed
// out everything before it, so lines never overtake each other.
//
// What it holds is bounded: the cutter at most BacklogLimit characters plus
// one piece, past which bytes stay in the source (TCP then slows the server
// down); within that, a partial line of at most LineCutter::MaxLineLength.
// The deferred text only ever holds what takeUnread() found in the source,
// which the socket bounds (Winsock::ReadBufferLimit).
class Receiver : public QObject
{
    Q_OBJECT
public:
    // Hands out at most maxChars characters of what has arrived.
    using Source = std::function<QString(qint64 maxChars)>;
    using Sink = std::function<void(QStringView line)>;

    static constexpr qint64 SliceMs = 5;
    static constexpr qsizetype BacklogLimit = 1 << 20;
    // A megabyte read and converted at once would hold up the event loop.
    static constexpr qint64 ReadPiece = 64 * 1024;

    explicit Receiver(Sink sink, QObject *parent = nullptr);

    void setSource(Source source) { m_source = std::move(source); }

    // The source has something new.
    void arrived();
    // Text that comes in some other way; handled now unless a slice runs.
    void feed(const QString &text);
    // One slice; what is left waits for the next.
    void run();
    // Moves everything the source still holds into the receiver, as before
    // a new connection drops it.
    void takeUnread();
    // A new connection: what the last one left half-sent is not the start of
    // its first line. Complete lines still waiting are handed out.
    void startOver();

    // Lines or source text still to be handled.
    bool busy() const { return m_resume.isActive() || m_running; }
    // Characters received but not yet handed out as lines.
    qsizetype backlog() const { return m_cutter.pending() + m_deferred.size(); }

signals:
    // A slice has handed out its lines; busy() says whether more follow.
    void passEnded();

private:
    Sink m_sink;
    Source m_source;
    LineCutter m_cutter;
    QTimer m_resume;
    QString m_deferred;
    bool m_running = false;
};

} // namespace inbound
