// Connecting, logging in and watching the connection.
#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/Notice.h"
#include "connection/frmLogin.h"
#include "inbound/Receiver.h"
#include "outbound/SendNotice.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

constexpr int WatchdogIntervalMs = 500;

} // namespace

void frmBot::Connect_Click()
{
    // Every step stands alone: one the socket refuses (a connection already
    // open or under way) is skipped and the rest still runs.
    Winsock1->setProtocol(Winsock::ProtocolTcp);
    Winsock1->setRemoteHost(m_gatewayHost);
    Winsock1->setRemotePort(m_gatewayPort);
    takeUnread();
    // Connect is the user taking over: no try of ours goes on behind it.
    tmrReconnect->stop();
    sessionEvent(connection::Event::Stopped);
    if (Winsock1->Connect()) {
        startedConnection();
        giveTimeToConnect();
    }
    Connected = -1;

    // Received data and the watchdog keep running while the dialog waits.
    frmLogin dialog(*this);
    dialog.exec();
}

void frmBot::takeUnread()
{
    // A new connection drops whatever the socket still holds: lines the old
    // one completed go to the receiver first.
    m_receiver->takeUnread();
}

void frmBot::startedConnection()
{
    m_loginSent = false;
    m_loginAnswered = false;
    m_serverName = QString();
    m_whispers.reset();
    m_receiver->startOver();
    m_lastHeardMs = m_lastNullMs = -1;
    m_nullEveryMs = 0;
    // Lines that waited for the old connection never go out on this one,
    // unless it is a try to get the same session back: then they go once
    // the user is in their channel again.
    if (!away())
        giveBackWaiting(outbound::WaitingNotSent);
}

void frmBot::giveTimeToConnect()
{
    // A tick already due would find the new connection still being made and
    // report it lost over the login dialog. The watchdog starts its interval
    // again, so a new connection gets the same time to come up as the first.
    if (Timer1->isActive())
        Timer1->start(WatchdogIntervalMs);
}

void frmBot::ProceedLogin()
{
    setMousePointer(PointerHourglass);
    // After its login the service takes every line as chat: a second
    // handshake on the same connection would show the name and the password
    // to the whole channel. A new login gets a connection of its own.
    bool reconnected = false;
    if (m_loginSent) {
        takeUnread();
        Winsock1->Close();
        reconnected = Winsock1->Connect();
        if (reconnected) {
            startedConnection();
            giveTimeToConnect();
        }
    }
    tmrReconnect->stop();
    m_gaveUp = false;
    if (m_reconnect)
        sessionEvent(connection::Event::LoggedIn);
    sendHandshake();
    QCoreApplication::processEvents();
    // A later login leaves a running watchdog as it is, unless it opened a
    // new connection: that gets the same time to come up as the first.
    if (reconnected || !Timer1->isActive() || Timer1->interval() != WatchdogIntervalMs)
        Timer1->start(WatchdogIntervalMs);
}

void frmBot::sendHandshake()
{
    // What the server said of the last login does not answer this one.
    m_loginAnswered = false;
    m_serverName = QString();
    // A send that finds no connection fails quietly: the watchdog (or the
    // next try) is what tells the user.
    if (Winsock1->SendHandshake(wire::toWire(wire::handshakePreamble())))
        m_loginSent = true;
    Winsock1->SendHandshake(wire::toWire(wire::handshakeName(UserName)));
    Winsock1->SendHandshake(wire::toWire(wire::handshakePassword(Password)));
}

void frmBot::Timer1_Timer()
{
    checkSilence();
    // Ticks go on while the notice waits; they must not stack up more.
    // Reconnecting, the loss is told in the transcript, and the notice
    // comes once, when the tries stop.
    if (m_lostNoticeOpen || (m_reconnect && (m_session.phase != connection::Phase::Off || m_gaveUp)))
        return;
    if (Winsock1->state() != Winsock::Connected && ::Connected == -1) {
        QPointer<frmBot> self(this);
        m_lostNoticeOpen = true;
        notice::show(this, notice::ConnectionLost);
        if (self)
            m_lostNoticeOpen = false;
    }
}
