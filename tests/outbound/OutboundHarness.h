#pragma once

#include "app/frmBot.h"
#include "connection/Globals.h"
#include "inbound/TranscriptBox.h"

#include "LoopbackGateway.h"

#include <QListWidget>
#include <QTest>

// A main window connected to a loopback gateway that records every byte.
// No login is sent, so the gateway sees only what the test makes the
// client send.
struct ConnectedBot
{
    LoopbackGateway gw;
    frmBot w{gw.host(), gw.port()};

    explicit ConnectedBot(const QString &user = QStringLiteral("kestrel"))
    {
        UserName = user;
        w.show();
        (void)QTest::qWaitForWindowExposed(&w);
        w.Winsock1->Connect();
        (void)gw.waitForClient();
        (void)QTest::qWaitFor([this] { return w.Winsock1->state() == Winsock::Connected; });
    }

    // What the client sent since the last call. A marker line goes out
    // behind it, so bytes still on their way are counted and a send that
    // should not have happened cannot slip past.
    QByteArray takeSent()
    {
        static const QByteArray mark = "\x01mark\r\n";
        if (!w.Winsock1->SendData(QString::fromLatin1(mark)))
            return "<no connection>";
        if (!QTest::qWaitFor([this] { return gw.received().endsWith(mark); }, 5000))
            return "<marker lost>" + gw.received();
        QByteArray sent = gw.received();
        sent.chop(mark.size());
        gw.clearReceived();
        return sent;
    }
};

// Entries as the receive path stores them keep the blank that followed the
// name, e.g. "heron ".
inline void fillRoomlist(frmBot &w, const QStringList &entries, const QList<int> &selected = {})
{
    w.Roomlist->clear();
    w.Roomlist->addItems(entries);
    for (int i : selected)
        w.Roomlist->item(i)->setSelected(true);
}

inline QList<int> selectedRows(const frmBot &w)
{
    QList<int> rows;
    for (int i = 0; i < w.Roomlist->count(); ++i)
        if (w.Roomlist->item(i)->isSelected())
            rows << i;
    return rows;
}

inline const QStringList Birds = QStringList() << QStringLiteral("heron ") << QStringLiteral("owl ") << QStringLiteral("finch ");
