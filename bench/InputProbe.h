#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace bench {

// Stands in for the user during a flood: every few milliseconds it posts a
// key press or a click (in turn) to a widget and measures how long the
// event takes to reach it, that is, until the widget's own handler runs.
class InputProbe : public QObject
{
public:
    explicit InputProbe(QWidget *target, int everyMs = 20)
        : m_target(target)
    {
        m_target->installEventFilter(this);
        m_timer.setInterval(everyMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { post(); });
    }
    // Starts afresh: the figures count from here.
    void start()
    {
        std::fill(std::begin(m_longest), std::end(m_longest), 0);
        std::fill(std::begin(m_count), std::end(m_count), 0);
        m_over16 = 0;
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }

    double longestKeyMs() const { return double(m_longest[0]) / 1e6; }
    double longestClickMs() const { return double(m_longest[1]) / 1e6; }
    qint64 keys() const { return m_count[0]; }
    qint64 clicks() const { return m_count[1]; }
    qint64 over16Ms() const { return m_over16; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_target && m_waiting >= 0) {
            const bool match = (m_waiting == 0 && event->type() == QEvent::KeyPress)
                || (m_waiting == 1 && event->type() == QEvent::MouseButtonPress);
            if (match) {
                const qint64 latency = m_clock.nsecsElapsed() - m_postedAt;
                m_longest[m_waiting] = std::max(m_longest[m_waiting], latency);
                ++m_count[m_waiting];
                if (latency > 16'000'000)
                    ++m_over16;
                m_waiting = -1;
            }
        }
        return false;
    }

private:
    void post()
    {
        if (m_waiting >= 0)
            return; // the previous one has not arrived yet: it is still being timed
        m_waiting = m_next;
        m_next = 1 - m_next;
        m_postedAt = m_clock.nsecsElapsed();
        if (m_waiting == 0) {
            QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
            QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier));
        } else {
            const QPointF local(4, 4);
            const QPointF global = m_target->mapToGlobal(local);
            QCoreApplication::postEvent(m_target, new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::LeftButton,
                                                                  Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(m_target, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                                  Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        }
    }

    QWidget *m_target;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_postedAt = 0;
    int m_waiting = -1; // 0 key, 1 click, -1 none
    int m_next = 0;
    qint64 m_longest[2] = {0, 0};
    qint64 m_count[2] = {0, 0};
    qint64 m_over16 = 0;
};

} // namespace bench
