#pragma once

#include "app/frmBot.h"
#include "connection/Globals.h"

#include "LoopbackGateway.h"

#include <QAccessible>
#include <QStringList>
#include <QTest>

// The banner's whole caption, as a screen reader gets it: what the label
// draws has a long channel name cut short.
inline QString wholeBanner(const frmBot &w)
{
    QAccessibleInterface *banner = QAccessible::queryAccessibleInterface(w.Channel);
    return banner ? banner->text(QAccessible::Value) : QString();
}

// The program-wide globals as a fresh run has them, with the name a test's
// echoes should carry.
inline void resetGlobals(const QString &user = {})
{
    UserName = user;
    Password.clear();
    Connected = 0;
}

// The usual rule in a tenth of the time, with a margin to match, so that a
// test sending more than four lines waits a moment at most.
inline constexpr outbound::PaceRule QuickRule{5, 500, 40, 200};
inline constexpr qint64 QuickMarginMs = 150;

// A shown main window connected straight to a loopback gateway that records
// every byte, pacing by QuickRule. No login is sent, so the gateway sees only what the test makes
// the client send, and the test can send the window any line it likes. A
// connection that cannot be made fails the test here, where it happened.
struct ConnectedWindow
{
    LoopbackGateway gw;
    frmBot w{gw.host(), gw.port()};
    qsizetype cut = 0;  // lines the receiver cut
    QStringList lines;  // and the lines themselves, unless keepLines is off
    bool keepLines = true;

    explicit ConnectedWindow(const QString &user = QStringLiteral("kestrel"))
    {
        resetGlobals(user);
        w.setPacing(QuickRule, QuickMarginMs);
        QObject::connect(&w, &frmBot::lineCut, &w, [this](QStringView l) {
            ++cut;
            if (keepLines)
                lines << l.toString();
        });
        w.show();
        const bool up = QTest::qWaitForWindowExposed(&w) && w.Winsock1->Connect() && gw.waitForClient()
            && QTest::qWaitFor([this] { return w.Winsock1->state() == Winsock::Connected; });
        QTest::qVerify(up, "up", "the window did not connect to the loopback gateway", __FILE__, __LINE__);
    }

    // What the client sent since the last call, once nothing waits. A
    // marker line goes out behind it, so bytes still on their way are
    // counted and a send that should not have happened cannot slip past.
    QByteArray takeSent()
    {
        static const QByteArray mark = "\x01mark\r\n";
        if (!QTest::qWaitFor([this] { return w.waitingLines() == 0; }, 5000))
            return "<still waiting>";
        if (!w.Winsock1->SendData(mark))
            return "<no connection>";
        if (!QTest::qWaitFor([this] { return gw.received().endsWith(mark); }, 5000))
            return "<marker lost>" + gw.received();
        QByteArray sent = gw.received();
        sent.chop(mark.size());
        gw.clearReceived();
        return sent;
    }
};
