#include "inbound/Receiver.h"

#include "protocol/WireText.h"

namespace inbound {

namespace {
constexpr int ClockEvery = 16;
}

Receiver::Receiver(Sink sink, QObject *parent)
    : QObject(parent)
    , m_sink(std::move(sink))
{
    m_resume.setSingleShot(true);
    m_resume.setInterval(0);
    connect(&m_resume, &QTimer::timeout, this, &Receiver::run);
}

void Receiver::arrived()
{
    // Run from here, in the middle of the posted events, the pass would
    // follow the previous slice before any timer had its turn.
    if (!m_running && !m_resume.isActive())
        m_resume.start();
}

void Receiver::feed(QByteArrayView bytes)
{
    if (m_running) {
        // The running slice holds a view into the cutter.
        m_deferred += bytes;
        return;
    }
    m_cutter.feed(bytes);
    run();
}

void Receiver::run()
{
    if (m_running)
        return;
    m_resume.stop(); // called directly, this pass is the continuation
    m_running = true;
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    int sinceClock = 0;
    QByteArrayView line;
    for (;;) {
        if (!m_cutter.next(line)) {
            if (!m_deferred.isEmpty()) {
                m_cutter.feed(m_deferred);
                m_deferred.clear();
                continue;
            }
            if (m_source && m_cutter.pending() < BacklogLimit) {
                const QByteArray piece = m_source(ReadPiece);
                if (!piece.isEmpty()) {
                    m_cutter.feed(piece);
                    continue;
                }
            }
            more = false;
            break;
        }
        wire::fromWireInto(line, m_line);
        m_sink(m_line);
        // A real yield per slice. Reading the clock costs as much as a short
        // line's handling, so it is read every few lines, or after a long one.
        if (++sinceClock >= ClockEvery || line.size() > 1024) {
            sinceClock = 0;
            if (slice.elapsed() >= SliceMs)
                break;
        }
    }
    m_running = false;
    if (more)
        m_resume.start();
    emit passEnded();
}

void Receiver::takeUnread()
{
    if (!m_source)
        return;
    const QByteArray rest = m_source(-1);
    if (!rest.isEmpty())
        feed(rest);
}

void Receiver::startOver()
{
    m_cutter.dropPartial();
}

} // namespace inbound
