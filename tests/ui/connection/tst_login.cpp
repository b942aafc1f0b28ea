#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/LoginArtwork.h"
#include "connection/Notice.h"
#include "connection/frmLogin.h"
#include "inbound/Receiver.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/WireText.h"
#include "protocol/OutboundLines.h"

#include "DialogDrivers.h"
#include "ConnectedWindow.h"
#include "LoopbackGateway.h"
#include "NoticeWatcher.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

const QByteArray Preamble("\x03\x04\r\n\r\n", 6);

void waitUntilSettled(const Winsock &s)
{
    QTRY_VERIFY(s.state() != Winsock::Connecting && s.state() != Winsock::ResolvingHost);
}

quint16 deadPort()
{
    LoopbackGateway gone;
    return gone.port();
}

} // namespace

class tst_Login : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetGlobals(); // every test starts from a fresh run's values
    }

    void handshakeGoesOutAsThreeSends_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("nameLine");
        QTest::addColumn<QByteArray>("passwordLine");
        QTest::newRow("ASCII") << "wanderer" << "secret7" << QByteArray("wanderer\r\n") << QByteArray("secret7\r\n");
        QTest::newRow("UTF-8") << QStringLiteral("Zo\u00EB") << QStringLiteral("\u043A\u043E\u0442\U0001F408")
                               << QByteArray("Zo\xC3\xAB\r\n") << QByteArray("\xD0\xBA\xD0\xBE\xD1\x82\xF0\x9F\x90\x88\r\n");
    }
    void handshakeGoesOutAsThreeSends()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QByteArray, nameLine);
        QFETCH(QByteArray, passwordLine);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        connectWith(w, [&](frmLogin &d) { typeAndLogin(d, name, password); });
        QVERIFY(!openLoginDialog());

        const QByteArray expected = Preamble + nameLine + passwordLine;
        QVERIFY(gw.waitForBytes(expected.size()));
        QCOMPARE(gw.received(), expected);
        QCOMPARE(gw.connections(), 1);
        QCOMPARE(sent.count(), 3);
        QCOMPARE(sent.at(0).at(0).toByteArray(), Preamble);
        QCOMPARE(sent.at(1).at(0).toByteArray(), nameLine);
        QCOMPARE(sent.at(2).at(0).toByteArray(), passwordLine);

        QCOMPARE(UserName, name);
        QCOMPARE(Password, password);
        QCOMPARE(Connected, qint16(-1));
        QCOMPARE(w.MousePointer(), int(frmBot::PointerHourglass));
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(w.Timer1->interval(), 500);
    }

    // A password is usually copied with the line break after it: no break
    // may split the handshake, and no length limit may cut the paste.
    void pastedPassword_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("line feed at the end") << "secret\n" << QByteArray("secret\r\n");
        QTest::newRow("CR LF at the end") << "secret\r\n" << QByteArray("secret\r\n");
        QTest::newRow("break inside") << "secret\nhello all\n" << QByteArray("secret hello all\r\n");
        QTest::newRow("40,000 characters") << QString(40000, u'p') << QByteArray(40000, 'p') + "\r\n";
    }
    void pastedPassword()
    {
        QFETCH(QString, pasted);
        QFETCH(QByteArray, line);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        QGuiApplication::clipboard()->setText(pasted);
        connectWith(w, [](frmLogin &d) {
            QTest::keyClicks(d.UserNamet, QStringLiteral("wanderer"));
            QTest::keySequence(d.Passwordt, QKeySequence::Paste);
            QTest::mouseClick(d.Login, Qt::LeftButton);
        });
        QVERIFY(gw.waitForBytes(Preamble.size() + 10 + line.size()));
        QCOMPARE(gw.received(), Preamble + "wanderer\r\n" + line);
    }

    void aSecondClickDuringTheLoginSendsNothingMore()
    {
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        connectWith(w, [](frmLogin &d) {
            QTest::keyClicks(d.UserNamet, QStringLiteral("Nomad"));
            // A click still queued when the login yields to pending events.
            const QPointF at = QRectF(d.Login->rect()).center();
            QCoreApplication::postEvent(d.Login, new QMouseEvent(QEvent::MouseButtonRelease, at,
                d.Login->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
            QTest::mouseClick(d.Login, Qt::LeftButton);
        });
        QCOMPARE(sent.count(), 3);
        QVERIFY(gw.waitForBytes(6 + 7 + 2));
        QTest::qWait(50);
        QCOMPARE(gw.received(), Preamble + "Nomad\r\n\r\n");
    }

    void entryIsChecked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal"); // empty: the login goes ahead
        const QString none;
        QTest::newRow("Nomad, no password") << "Nomad" << "" << none;
        QTest::newRow("nomad, no password") << "nomad" << "" << none;
        QTest::newRow("Wayfarers, no password") << "Wayfarers" << "" << none;
        QTest::newRow("wayfarers, no password") << "wayfarers" << "" << none;
        QTest::newRow("Nomad with a password") << "Nomad" << "pw" << none;
        QTest::newRow("NOMAD") << "NOMAD" << "" << notice::NoPassword;
        QTest::newRow("leading blank") << " Nomad" << "" << notice::NoPassword;
        QTest::newRow("trailing blank") << "Nomad " << "" << notice::NoPassword;
        QTest::newRow("ordinary name") << "wanderer" << "" << notice::NoPassword;
        QTest::newRow("blanks only") << "   " << "" << notice::NoPassword;
        QTest::newRow("blanks only, password") << "   " << "pw" << none;
        QTest::newRow("no name") << "" << "" << notice::NoUserName;
        QTest::newRow("no name, password") << "" << "secret" << notice::NoUserName;
    }
    void entryIsChecked()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        UserName = QStringLiteral("earlier");
        Password = QStringLiteral("before");
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        NoticeWatcher notices;

        bool stayedOpen = false;
        bool keptEntry = false;
        connectWith(w, [&](frmLogin &d) {
            typeAndLogin(d, name, password);
            stayedOpen = d.isVisible();
            keptEntry = d.UserNamet->text() == name && d.Passwordt->text() == password;
            if (stayedOpen)
                QTest::mouseClick(d.Quit, Qt::LeftButton);
        });
        QVERIFY(notices.wellFormed);

        if (refusal.isEmpty()) {
            QVERIFY(notices.texts.isEmpty());
            QVERIFY(!stayedOpen);
            QCOMPARE(sent.count(), 3);
            QCOMPARE(sent.at(2).at(0).toByteArray(), wire::toWire(wire::handshakePassword(password)));
            QCOMPARE(UserName, name);
            QCOMPARE(Password, password);
            QVERIFY(w.Timer1->isActive());
            return;
        }
        QCOMPARE(notices.texts, QStringList() << refusal);
        QVERIFY(stayedOpen);
        QVERIFY(keptEntry);
        QCOMPARE(sent.count(), 0);
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));
        if (refusal == notice::NoUserName) {
            QCOMPARE(UserName, QStringLiteral("earlier"));
            QCOMPARE(Password, QStringLiteral("before"));
        } else {
            QCOMPARE(UserName, name);
            QCOMPARE(Password, QString());
        }
        QTest::qWait(50);
        QVERIFY(gw.received().isEmpty());
    }

    void reopeningStartsEmpty()
    {
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("wanderer"), QStringLiteral("secret7")); });
        QCOMPARE(UserName, QStringLiteral("wanderer"));

        QString name = QStringLiteral("?"), password = QStringLiteral("?");
        QWidget *focus = nullptr;
        connectWith(w, [&](frmLogin &d) {
            name = d.UserNamet->text();
            password = d.Passwordt->text();
            focus = d.focusWidget() == d.UserNamet ? d.UserNamet : nullptr;
            QTest::mouseClick(d.Quit, Qt::LeftButton);
        });
        QCOMPARE(name, QString());
        QCOMPARE(password, QString());
        QVERIFY(focus);
        QCOMPARE(UserName, QStringLiteral("wanderer"));
        QCOMPARE(Password, QStringLiteral("secret7"));
    }

    void keysDoNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::newRow("Return in the name box") << "UserNamet" << int(Qt::Key_Return);
        QTest::newRow("Enter in the name box") << "UserNamet" << int(Qt::Key_Enter);
        QTest::newRow("Return in the password box") << "Passwordt" << int(Qt::Key_Return);
        QTest::newRow("Escape in the password box") << "Passwordt" << int(Qt::Key_Escape);
    }
    void keysDoNothing()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        NoticeWatcher notices;
        bool stayedOpen = false;
        connectWith(w, [&](frmLogin &d) {
            QTest::keyClicks(d.UserNamet, QStringLiteral("wanderer"));
            QTest::keyClicks(d.Passwordt, QStringLiteral("secret7"));
            QTest::keyClick(d.findChild<QLineEdit *>(box), Qt::Key(key));
            QTest::qWait(20);
            stayedOpen = d.isVisible();
            QTest::mouseClick(d.Quit, Qt::LeftButton);
        });
        QVERIFY(stayedOpen);
        QCOMPARE(sent.count(), 0);
        QVERIFY(notices.texts.isEmpty());
        QVERIFY(UserName.isEmpty());
    }

    void quitLeavesTheConnectionAlone_data()
    {
        QTest::addColumn<bool>("throughFrame");
        QTest::newRow("Quit label") << false;
        QTest::newRow("closed through the frame") << true;
    }
    void quitLeavesTheConnectionAlone()
    {
        QFETCH(bool, throughFrame);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        NoticeWatcher notices;
        connectWith(w, [&](frmLogin &d) {
            QVERIFY(gw.waitForClient());
            QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
            QTest::keyClicks(d.UserNamet, QStringLiteral("wanderer"));
            if (throughFrame)
                d.close();
            else
                QTest::mouseClick(d.Quit, Qt::LeftButton);
        });
        QVERIFY(!openLoginDialog());
        QCOMPARE(sent.count(), 0);
        QCOMPARE(w.Winsock1->state(), Winsock::Connected);
        QCOMPARE(Connected, qint16(-1));
        QVERIFY(UserName.isEmpty());
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));

        // No watchdog runs for a connection nobody logged in on.
        gw.closeClient();
        QTRY_VERIFY(w.Winsock1->state() != Winsock::Connected);
        QTest::qWait(1200);
        QVERIFY(gw.received().isEmpty());
        QVERIFY(notices.texts.isEmpty());
    }

    void quietBeforeTheFirstLogin_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("refused") << true;
        QTest::newRow("dropped") << false;
    }
    void quietBeforeTheFirstLogin()
    {
        QFETCH(bool, refused);
        LoopbackGateway gw;
        frmBot w(gw.host(), refused ? deadPort() : gw.port());
        NoticeWatcher notices;
        connectWith(w, [&](frmLogin &d) {
            if (!refused) {
                QVERIFY(gw.waitForClient());
                QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
                gw.closeClient();
            }
            QTRY_VERIFY(w.Winsock1->state() != Winsock::Connected);
            waitUntilSettled(*w.Winsock1);
            QTest::qWait(600);
            QTest::mouseClick(d.Quit, Qt::LeftButton);
        });
        QTest::qWait(1200);
        QVERIFY(notices.texts.isEmpty());
        QVERIFY(!w.Timer1->isActive());
    }

    void lostConnectionIsReported_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::newRow("closed by the gateway") << false;
        QTest::newRow("reset") << true;
    }
    void lostConnectionIsReported()
    {
        QFETCH(bool, reset);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("Nomad"), QString()); });
        QVERIFY(gw.waitForBytes(6 + 5 + 2 + 2));
        QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
        QTest::qWait(600); // a tick on a live connection says nothing

        // Each notice is left open across two ticks before it is dismissed,
        // and the first also gets a tick delivered straight to the handler.
        NoticeWatcher notices(1200);
        notices.onOpen = [&w, &notices] {
            if (notices.texts.size() == 1)
                w.Timer1_Timer();
        };
        QVERIFY(notices.texts.isEmpty());
        if (reset)
            gw.resetClient();
        else
            gw.closeClient();
        QTRY_VERIFY_WITH_TIMEOUT(!notices.texts.isEmpty(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(notices.texts.size() >= 3, 8000);
        QCOMPARE(notices.mostOpenAtOnce, 1);
        QVERIFY(notices.wellFormed);
        for (const QString &text : std::as_const(notices.texts))
            QCOMPARE(text, QStringLiteral("You have lost your connection to Battle.net"));
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(Connected, qint16(-1));
    }

    void connectAgainAfterALoss()
    {
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("Nomad"), QString()); });
        const QByteArray handshake = Preamble + "Nomad\r\n\r\n";
        QVERIFY(gw.waitForBytes(handshake.size()));
        NoticeWatcher notices;
        gw.closeClient();
        QTRY_VERIFY_WITH_TIMEOUT(!notices.texts.isEmpty(), 3000);

        connectWith(w, [&](frmLogin &d) {
            QTRY_COMPARE(gw.connections(), 2);
            QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
            typeAndLogin(d, QStringLiteral("Nomad"), QString());
        });
        QVERIFY(gw.waitForBytes(2 * handshake.size()));
        QCOMPARE(gw.received(), handshake + handshake);
        const qsizetype seen = notices.texts.size();
        QTest::qWait(1200);
        QCOMPARE(notices.texts.size(), seen);
    }

    // After a lost session, the client gets back by itself: each row ends
    // the first connection its own way and answers each try as its
    // server would. A quick rule keeps it short.
    void reconnects_data()
    {
        QTest::addColumn<QString>("loss");      // close, or silent after a keep-alive rhythm
        QTest::addColumn<QByteArray>("answer"); // to every try's login
        QTest::addColumn<bool>("back");
        const QByteArray in = "2010 NAME kestrel\r\n1007 CHANNEL \"Chat\"\r\n";
        QTest::newRow("closed, then back in the channel") << "close" << in << true;
        QTest::newRow("silent, then back in the channel") << "silent" << in << true;
        QTest::newRow("refused: the tries stop, once told") << "close" << QByteArray("Login failed.\r\n") << false;
    }
    void reconnects()
    {
        QFETCH(QString, loss);
        QFETCH(QByteArray, answer);
        QFETCH(bool, back);
        ConnectedWindow c;
        connection::ReconnectRule quick;
        quick.firstMs = 100, quick.capMs = 200, quick.refusedFirstMs = 100, quick.refusedCapMs = 200;
        quick.refusedForMs = 600;
        c.w.setReconnect(true, quick);
        NoticeWatcher notices;
        c.w.ProceedLogin();
        c.gw.send("2010 NAME kestrel\r\n1007 CHANNEL \"Marrow Vale\"\r\n1001 USER kestrel 0010 [CHAT]\r\n");
        QTRY_COMPARE(c.w.Channel->text(), QStringLiteral("Marrow Vale  (1)"));
        if (loss == u"close") {
            c.gw.closeClient();
        } else {
            c.gw.send("2000 NULL\r\n");
            QTest::qWait(150);
            c.gw.send("2000 NULL\r\n");
        }
        QTRY_VERIFY_WITH_TIMEOUT(c.w.away(), 5000);
        QCOMPARE(c.w.Channel->text(), QStringLiteral("Reconnecting\u2026"));
        QVERIFY(!c.w.Roomlist->isEnabled());
        QCOMPARE(notices.texts.size(), 0);
        // Typed while away: it waits, and goes only to the user's channel.
        c.w.Text1->setText(QStringLiteral("still here"));
        QVERIFY(c.w.Send_Click());
        QCOMPARE(c.w.waitingLines(), 1);

        const QByteArray login = Preamble + "kestrel\r\n\r\n";
        for (int tries = 2; back ? tries <= 2 : c.w.session().phase != connection::Phase::Off; ++tries) {
            QTRY_COMPARE_WITH_TIMEOUT(c.gw.connections(), tries, 5000);
            QTRY_VERIFY(c.gw.received().endsWith(login));
            c.gw.clearReceived();
            c.gw.send(answer);
            QTRY_VERIFY(c.w.session().phase != connection::Phase::Trying);
        }
        if (back) {
            QTRY_COMPARE(c.gw.received(), QByteArray("/Channel Marrow Vale\r\n"));
            c.gw.clearReceived();
            c.gw.send("1007 CHANNEL \"Marrow Vale\"\r\n1001 USER kestrel 0010 [CHAT]\r\n");
            QTRY_COMPARE(c.gw.received(), QByteArray("still here\r\n"));
            QCOMPARE(c.takeSent(), QByteArray("still here\r\n")); // and nothing more
            QCOMPARE(c.w.Channel->text(), QStringLiteral("Marrow Vale  (1)"));
            QVERIFY(c.w.Roomlist->isEnabled());
            QVERIFY(c.w.Text2->text().endsWith(QStringLiteral(" Back in Marrow Vale.\r\nkestrel: still here\r\n")));
        } else {
            QTRY_COMPARE(notices.texts.size(), 1);
            QCOMPARE(notices.texts.first(), notice::ConnectionLost);
            QCOMPARE(c.w.Text1->text(), QStringLiteral("still here"));
            QVERIFY(c.w.Text2->text().contains(QStringLiteral(" Stopped trying to get back: Login failed.")));
            QTest::qWait(600); // no more tries, no more notices
            QCOMPARE(notices.texts.size(), 1);
            QCOMPARE(c.w.session().phase, connection::Phase::Off);
        }
    }

    // What a lost connection left unfinished does not run into the first
    // line of the next connection.
    void aNewConnectionStartsWithAFreshLine_data()
    {
        QTest::addColumn<QByteArray>("leftOver");
        QTest::newRow("half a line") << QByteArray("1005 TALK heron 0010 \"hel");
        QTest::newRow("over-long run") << QByteArray(70 * 1024, 'x');
        QTest::newRow("nothing") << QByteArray();
    }
    void aNewConnectionStartsWithAFreshLine()
    {
        QFETCH(QByteArray, leftOver);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        NoticeWatcher notices;
        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("Nomad"), QString()); });
        QVERIFY(gw.waitForBytes(6 + 5 + 2 + 2));
        gw.send("1018 INFO \"first\"\r\n" + leftOver);
        gw.closeClient();
        QTRY_VERIFY(w.Winsock1->state() != Winsock::Connected);
        QTRY_VERIFY(w.Winsock1->bytesAvailable() == 0 && !w.receiver().busy());
        QCOMPARE(w.Text2->text(), QStringLiteral("first\r\n"));

        connectWith(w, [&](frmLogin &d) {
            QTRY_COMPARE(gw.connections(), 2);
            typeAndLogin(d, QStringLiteral("Nomad"), QString());
        });
        gw.send("1018 INFO \"second\"\r\n");
        QTRY_COMPARE(w.Text2->text(), QStringLiteral("first\r\nsecond\r\n"));
    }

    // The service reads every line after a login as chat: a second login
    // goes out on a connection of its own, never after the first.
    void aSecondLoginGetsItsOwnConnection()
    {
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        NoticeWatcher notices;
        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("wanderer"), QStringLiteral("secret7")); });
        const QByteArray first = Preamble + "wanderer\r\nsecret7\r\n";
        QVERIFY(gw.waitForBytes(first.size()));
        QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);

        // Connect and Quit leave the session alone.
        connectWith(w, [](frmLogin &d) { QTest::mouseClick(d.Quit, Qt::LeftButton); });
        QCOMPARE(gw.connections(), 1);
        QCOMPARE(w.Winsock1->state(), Winsock::Connected);

        connectWith(w, [](frmLogin &d) { typeAndLogin(d, QStringLiteral("heron"), QStringLiteral("pw2")); });
        const QByteArray second = Preamble + "heron\r\npw2\r\n";
        QVERIFY(gw.waitForBytes(first.size() + second.size()));
        QCOMPARE(gw.connections(), 2);
        QCOMPARE(gw.received(), first + second);
        QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
        QCOMPARE(w.MousePointer(), int(frmBot::PointerHourglass));
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(notices.texts, QStringList());
    }

    void loginWithoutAConnection()
    {
        frmBot w(QStringLiteral("127.0.0.1"), deadPort());
        QSignalSpy sent(w.Winsock1, &Winsock::dataSent);
        NoticeWatcher notices;
        connectWith(w, [&](frmLogin &d) {
            waitUntilSettled(*w.Winsock1);
            typeAndLogin(d, QStringLiteral("Nomad"), QString());
        });
        QVERIFY(!openLoginDialog());
        QCOMPARE(sent.count(), 0);
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(w.MousePointer(), int(frmBot::PointerHourglass));
        QTRY_VERIFY_WITH_TIMEOUT(!notices.texts.isEmpty(), 3000);
        QCOMPARE(notices.texts.first(), notice::ConnectionLost);
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        QTest::newRow("Image1") << "Image1" << QRect(88, 16, 178, 23) << "";
        QTest::newRow("label4") << "label4" << QRect(64, 56, 89, 17) << "User Name:";
        QTest::newRow("UserNamet") << "UserNamet" << QRect(72, 80, 201, 19) << "";
        QTest::newRow("lable5") << "lable5" << QRect(64, 112, 97, 17) << "Password:";
        QTest::newRow("Passwordt") << "Passwordt" << QRect(72, 144, 209, 19) << "";
        QTest::newRow("Login") << "Login" << QRect(96, 224, 153, 17) << "Login";
        QTest::newRow("Quit") << "Quit" << QRect(96, 272, 161, 25) << "Quit";
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        frmBot w;
        frmLogin d(w);
        auto *control = d.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QCOMPARE(control->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(control->font().pointSizeF(), 9.75);
        QVERIFY(control->font().bold());
        if (auto *label = qobject_cast<QLabel *>(control)) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->text(), text);
            QVERIFY(!label->autoFillBackground());
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        } else {
            auto *box = qobject_cast<QLineEdit *>(control);
            QVERIFY(box);
            QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::black));
            QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::white));
            QVERIFY(box->focusPolicy() & Qt::TabFocus);
        }
    }

    void dialogLook()
    {
        frmBot w;
        frmLogin d(w);
        QCOMPARE(d.windowTitle(), QStringLiteral("MARROW VALE LOGIN"));
        QCOMPARE(d.size(), QSize(337, 344));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((d.geometry().center() - screen.center()).manhattanLength() <= 2);
        QCOMPARE(d.Image1->pixmap().size(), QSize(178, 23));
        QCOMPARE(d.Login->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

        QTest::keyClicks(d.Passwordt, QStringLiteral("abc"));
        QCOMPARE(d.Passwordt->displayText(), QStringLiteral("***"));
        QCOMPARE(d.Passwordt->text(), QStringLiteral("abc"));

        // Only the two boxes take the focus, the name box first.
        QList<QWidget *> focusable;
        for (QWidget *child : d.findChildren<QWidget *>())
            if (child->focusPolicy() != Qt::NoFocus)
                focusable << child;
        QCOMPARE(focusable.size(), 2);
        QVERIFY(focusable.contains(d.UserNamet) && focusable.contains(d.Passwordt));
        auto nextStop = [](QWidget *from) {
            QWidget *at = from->nextInFocusChain();
            for (int i = 0; i < 100 && at != from && !(at->focusPolicy() & Qt::TabFocus); ++i)
                at = at->nextInFocusChain();
            return at;
        };
        QCOMPARE(nextStop(d.UserNamet), d.Passwordt);
        QCOMPARE(nextStop(d.Passwordt), d.UserNamet);

        // The background is drawn unscaled from the top-left.
        const QImage shown = d.grab(QRect(0, 0, 337, 344)).toImage();
        const QImage picture = artwork::loginBackground().toImage();
        QCOMPARE(picture.size(), QSize(339, 347));
        for (QPoint p : {QPoint(5, 5), QPoint(20, 300), QPoint(336, 343), QPoint(300, 200)})
            QCOMPARE(shown.pixel(p), picture.pixel(p));
    }
};

QTEST_MAIN(tst_Login)
#include "tst_login.moc"
