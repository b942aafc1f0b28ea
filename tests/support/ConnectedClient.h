#pragma once

#include "app/frmBot.h"

#include "LoopbackGateway.h"

#include <QStringList>
#include <QTest>

// A main window connected straight to a loopback gateway, recording every
// line its receiver cuts; no login, so tests can send any line they like.
struct ConnectedClient
{
    LoopbackGateway gw;
    frmBot w{QStringLiteral("127.0.0.1"), 0};
    QStringList lines;

    ConnectedClient()
    {
        w.Winsock1->setRemotePort(gw.port());
        QObject::connect(&w, &frmBot::lineCut, [this](QStringView l) { lines << l.toString(); });
        w.Winsock1->Connect();
        (void)gw.waitForClient();
        (void)QTest::qWaitFor([this] { return w.Winsock1->state() == Winsock::Connected; });
    }
};
