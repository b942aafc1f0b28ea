// Connecting, logging in and watching the connection.
#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/Notice.h"
#include "connection/frmLogin.h"
#include "protocol/OutboundLines.h"

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
    // A line the last connection left half-sent must not be glued onto the
    // first line of the new one.
    if (Winsock1->Connect())
        m_cutter.dropPartial();
    Connected = -1;

    // Received data and the watchdog keep running while the dialog waits.
    frmLogin dialog(*this);
    dialog.exec();
}

void frmBot::ProceedLogin()
{
    setMousePointer(PointerHourglass);
    // A send that finds no connection fails quietly: the watchdog started
    // below is what tells the user.
    Winsock1->SendData(wire::handshakePreamble());
    Winsock1->SendData(wire::handshakeName(UserName));
    Winsock1->SendData(wire::handshakePassword(Password));
    QCoreApplication::processEvents();
    // A later login leaves a running watchdog as it is.
    if (!Timer1->isActive() || Timer1->interval() != WatchdogIntervalMs)
        Timer1->start(WatchdogIntervalMs);
}

void frmBot::Timer1_Timer()
{
    // Ticks go on while the notice waits; they must not stack up more.
    if (m_lostNoticeOpen)
        return;
    if (Winsock1->state() != Winsock::Connected && Connected == -1) {
        QPointer<frmBot> self(this);
        m_lostNoticeOpen = true;
        notice::show(this, notice::ConnectionLost);
        if (self)
            m_lostNoticeOpen = false;
    }
}
