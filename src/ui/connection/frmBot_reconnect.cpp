// Getting a lost session back: the tries, the rejoin, the dead link, and
// what the user is told meanwhile.
#include "app/frmBot.h"

#include "connection/Globals.h"
#include "connection/Notice.h"
#include "inbound/TranscriptBox.h"
#include "outbound/SendNotice.h"
#include "protocol/OutboundLines.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTime>

#include <algorithm>

using connection::Event;
using connection::Next;
using connection::Phase;

namespace {

QString seconds(qint64 ms)
{
    const qint64 s = (ms + 999) / 1000;
    return s < 120 ? QStringLiteral("%1 s").arg(s) : QStringLiteral("%1 min").arg((s + 30) / 60);
}

} // namespace

void frmBot::setReconnect(bool on, const connection::ReconnectRule &rule)
{
    m_reconnect = on;
    m_reconnectRule = rule;
    if (!on) {
        tmrReconnect->stop();
        sessionEvent(Event::Stopped);
    }
}

bool frmBot::away() const
{
    return m_session.phase == Phase::Waiting || m_session.phase == Phase::Trying || m_session.rejoining;
}

void frmBot::tellOwn(const QString &words)
{
    // With times on, every line already has its own in front.
    const QString line = m_timestamps ? QStringLiteral("-!- %1").arg(words)
                                      : QStringLiteral("-!- %1 %2").arg(QTime::currentTime().toString(QStringLiteral("HH:mm")), words);
    showLine(line);
    emit toldOwn(line);
}

void frmBot::sessionEvent(Event e, bool chosen)
{
    if (e == Event::LoggedIn || e == Event::Stopped)
        m_tries = 0;
    const qint64 now = m_paceClock.elapsed();
    const Next next = connection::decide(m_session, e, now, QRandomGenerator::global()->generate(), chosen,
                                         m_reconnectRule);
    switch (next) {
    case Next::Nothing:
        break;
    case Next::Wait: {
        // A refusing server keeps the connection open and asks again.
        Winsock1->Close();
        const qint64 pause = std::max<qint64>(0, m_session.tryAt - now);
        tmrReconnect->start(int(std::min<qint64>(pause, INT_MAX)));
        if (e == Event::Refused)
            tellOwn(QStringLiteral("The server refused the login (%1). Trying again in %2.").arg(m_refusal, seconds(pause)));
        else if (m_tries == 0)
            tellOwn(QStringLiteral("Lost the connection to Battle.net. Trying again in %1.").arg(seconds(pause)));
        else
            tellOwn(QStringLiteral("Could not get back in. Trying again in %1.").arg(seconds(pause)));
        break;
    }
    case Next::Rejoin:
        tellOwn(QStringLiteral("Logged in again; going back to %1.").arg(m_usersChannel));
        m_outbox.addFirst(wire::channelCommand(m_usersChannel));
        m_rejoinFirst = true;
        sendWaiting();
        break;
    case Next::Back:
        m_tries = 0;
        tellOwn(QStringLiteral("Back in %1.").arg(m_usersChannel));
        sendWaiting();
        break;
    case Next::Elsewhere:
        m_tries = 0;
        tellOwn(QStringLiteral("Logged in again, but could not get back to %1.").arg(m_usersChannel));
        m_usersChannel = CurrentChannel;
        giveBackWaiting(outbound::WaitingNotSent);
        break;
    case Next::GiveUp: {
        const bool tried = m_tries > 0;
        m_tries = 0;
        Winsock1->Close();
        if (tried)
            tellOwn(m_refusal.isEmpty() ? QStringLiteral("Stopped trying to get back.")
                                        : QStringLiteral("Stopped trying to get back: %1").arg(m_refusal));
        giveBackWaiting(outbound::WaitingNotSent);
        m_gaveUp = true;
        // Once, and not from inside the receiver or a socket's signal.
        QTimer::singleShot(0, this, [self = QPointer<frmBot>(this)] {
            if (self && !self->m_lostNoticeOpen) {
                self->m_lostNoticeOpen = true;
                notice::show(self, notice::ConnectionLost);
                if (self)
                    self->m_lostNoticeOpen = false;
            }
        });
        break;
    }
    }
    showAway();
}

void frmBot::tmrReconnect_Timer()
{
    if (m_session.phase == Phase::Waiting)
        startTry();
}

void frmBot::startTry()
{
    sessionEvent(Event::TryStarted);
    ++m_tries;
    takeUnread();
    Winsock1->Close();
    m_refusal.clear();
    if (!Winsock1->Connect()) {
        sessionEvent(Event::Unreachable);
        return;
    }
    startedConnection();
    giveTimeToConnect();
    tellOwn(QStringLiteral("Connecting again (try %1).").arg(m_tries));
    sendHandshake();
}

void frmBot::Winsock1_Ended(quint64 attempt, bool wasOpen)
{
    // About a connection we have since left: old news.
    if (attempt != Winsock1->attempt() || !m_reconnect)
        return;
    sessionEvent(wasOpen ? Event::Lost : Event::Unreachable);
}

void frmBot::showAway()
{
    const bool isAway = away();
    if (isAway == m_shownAway)
        return;
    m_shownAway = isAway;
    // Greyed rather than emptied: the user still sees who was there, and a
    // screen reader hears the list as unavailable, not as an empty channel.
    Roomlist->setEnabled(!isAway);
    rewriteBanner();
}

void frmBot::heard()
{
    m_lastHeardMs = m_paceClock.elapsed();
}

void frmBot::heardNull()
{
    const qint64 now = m_paceClock.elapsed();
    if (m_lastNullMs >= 0)
        m_nullEveryMs = now - m_lastNullMs;
    m_lastNullMs = now;
}

void frmBot::checkSilence()
{
    if (m_nullEveryMs <= 0 || m_lastHeardMs < 0 || Winsock1->state() != Winsock::Connected)
        return;
    const qint64 silent = m_paceClock.elapsed() - m_lastHeardMs;
    if (silent <= std::max<qint64>(3 * m_nullEveryMs, 1000))
        return;
    tellOwn(QStringLiteral("No word from the server for %1: the connection is taken as lost.").arg(seconds(silent)));
    m_nullEveryMs = 0;
    Winsock1->Close();
    if (m_reconnect)
        sessionEvent(Event::Lost);
    else if (m_outbox.waiting() > 0)
        giveBackWaiting(outbound::WaitingNotSent);
}
