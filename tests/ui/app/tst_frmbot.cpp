#include "app/ActionLabel.h"
#include "app/Startup.h"
#include "app/frmBot.h"
#include "inbound/TranscriptBox.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

class tst_frmBot : public QObject
{
    Q_OBJECT
private slots:
    void initialState()
    {
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.frameGeometry().topLeft(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(w.size(), QSize(593, 457));
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillon V.1.01"));
        QVERIFY(!w.Picture1->isVisible());
        QCOMPARE(w.Roomlist->count(), 0);
        QCOMPARE(w.Channel->text(), QStringLiteral("Marrow Vale"));
        QCOMPARE(w.Channel->textFormat(), Qt::PlainText);
        QVERIFY(w.Text1->text().isEmpty());
        QVERIFY(w.Text2->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.Connect);
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(w.Winsock1->state(), Winsock::Closed);
        QCOMPARE(w.Roomlist->selectionMode(), QAbstractItemView::MultiSelection);
        QVERIFY(!w.windowIcon().isNull());
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("Connect") << "Connect" << QRect(8, 32, 105, 25);
        QTest::newRow("Command7") << "Command7" << QRect(8, 64, 105, 25);
        QTest::newRow("Quit") << "Quit" << QRect(8, 416, 97, 33);
        QTest::newRow("Text2") << "Text2" << QRect(120, 32, 313, 385);
        QTest::newRow("Text1") << "Text1" << QRect(120, 424, 313, 25);
        QTest::newRow("Channel") << "Channel" << QRect(440, 32, 145, 33);
        QTest::newRow("Roomlist") << "Roomlist" << QRect(448, 88, 129, 212);
        QTest::newRow("Picture1") << "Picture1" << QRect(472, 216, 110, 200);
        QTest::newRow("cmdWhisper") << "cmdWhisper" << QRect(440, 424, 65, 25);
        QTest::newRow("cmdEnter") << "cmdEnter" << QRect(512, 424, 65, 25);
        QTest::newRow("Label5(0)") << "Label5_0" << QRect(16, 24, 81, 17);
        QTest::newRow("Label5(6)") << "Label5_6" << QRect(16, 168, 81, 17);
    }
    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        frmBot w;
        auto *control = w.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
    }

    void captionsAndColours()
    {
        frmBot w;
        QCOMPARE(w.Connect->text(), QStringLiteral("&Connect"));
        QCOMPARE(w.cmdWhisper->text(), QStringLiteral("&Whisper"));
        QCOMPARE(w.cmdEnter->text(), QStringLiteral("Menu"));
        QCOMPARE(w.Command7->text(), QStringLiteral("Channel"));
        const QStringList captions{"Ban Player", "Unban Player", "Rejoin", "Add in list",
                                   "Insert in Loop", "Stats", "Who is"};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(w.Label5[i]->text(), captions[i]);
            QCOMPARE(w.Label5[i]->backStyle(), int(ActionLabel::Transparent));
            QCOMPARE(w.Label5[i]->palette().color(QPalette::Window), QColor(192, 64, 0));
            QCOMPARE(w.Label5[i]->textFormat(), Qt::PlainText);
            QVERIFY(w.Label5[i]->font().bold());
        }
        QCOMPARE(w.palette().color(QPalette::Window), QColor(64, 64, 64));
        QCOMPARE(w.Text2->palette().color(QPalette::Base), QColor(64, 64, 64));
        QCOMPARE(w.Text2->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(w.Channel->palette().color(QPalette::Window), QColor(128, 128, 128));
        QCOMPARE(w.Channel->font().pointSizeF(), 12.0);
        QCOMPARE(w.Roomlist->palette().color(QPalette::Text), QColor(Qt::white));
        QVERIFY(w.Roomlist->font().bold());
        // The buttons keep the platform's colours, not the window's.
        for (QPushButton *b : {w.Connect, w.Command7, w.Quit, w.cmdWhisper, w.cmdEnter})
            for (auto role : {QPalette::Button, QPalette::ButtonText})
                QCOMPARE(b->palette().color(role), QApplication::palette(b).color(role));
    }

    void focusOrder()
    {
        frmBot w;
        w.Picture1->show();
        const QList<QWidget *> order{w.Connect, w.Text1, w.cmdEnter, w.cmdWhisper, w.Quit,
                                     w.Text2, w.Picture1, w.Command7, w.Roomlist};
        // Children of a control (a scroll area's viewport) sit between two
        // controls in the chain; only the controls' own order matters.
        QList<QWidget *> seen;
        QWidget *at = w.Connect;
        for (int step = 0; step < 200 && seen.size() < order.size(); ++step, at = at->nextInFocusChain())
            if (order.contains(at) && !seen.contains(at))
                seen << at;
        QCOMPARE(seen, order);
    }

    void menuTogglesThePanel()
    {
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.cmdEnter, Qt::LeftButton);
        QVERIFY(w.Picture1->isVisible());
        // The panel lies over the list.
        QWidget *top = w.childAt(477, 221);
        QVERIFY(top == w.Picture1 || w.Picture1->isAncestorOf(top));
        QTest::mouseClick(w.cmdEnter, Qt::LeftButton);
        QVERIFY(!w.Picture1->isVisible());
    }

    void mousePointerFollowsTheCursor_data()
    {
        QTest::addColumn<int>("pointer");
        QTest::addColumn<int>("shape");
        QTest::newRow("hourglass") << int(frmBot::PointerHourglass) << int(Qt::WaitCursor);
        QTest::newRow("arrow") << int(frmBot::PointerArrow) << int(Qt::ArrowCursor);
    }
    void mousePointerFollowsTheCursor()
    {
        QFETCH(int, pointer);
        QFETCH(int, shape);
        frmBot w;
        w.setMousePointer(pointer);
        QCOMPARE(w.MousePointer(), pointer);
        QCOMPARE(int(w.cursor().shape()), shape);
        w.setMousePointer(frmBot::PointerDefault);
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    }

    void setcdefaultsChangesNothing()
    {
        frmBot w;
        w.Text1->setText(QStringLiteral("typed"));
        w.Picture1->show();
        const QPoint pos = w.pos();
        w.setcdefaults();
        QCOMPARE(w.Text1->text(), QStringLiteral("typed"));
        QVERIFY(!w.Picture1->isHidden());
        QCOMPARE(w.pos(), pos);
        QCOMPARE(w.Channel->text(), QStringLiteral("Marrow Vale"));
    }

    // Each setting comes from the command line, else the settings file,
    // else as built in; and it means what it says: where the system's
    // address parser would read another address, or an option or a key is
    // unknown, nothing is guessed.
    void startup_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file"); // the settings file; none when empty
        QTest::addColumn<QString>("host"); // empty: the program stops
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("pace"); // then "; reconnect off" when it is
        QTest::addColumn<QString>("said"); // part of what goes to stderr
        QTest::addColumn<bool>("boxed");   // and is shown in a message box
        const QString rule = QStringLiteral("5,5,40,200");
        QTest::newRow("as built in") << QStringList{} << "" << "built.in" << 6112 << rule << "" << false;
        QTest::newRow("a name and a port") << QStringList{"--server", "chat.example.org:6113"} << "" << "chat.example.org" << 6113 << rule << "" << false;
        QTest::newRow("an address, joined") << QStringList{"--server=192.0.2.10"} << "" << "192.0.2.10" << 6112 << rule << "" << false;
        QTest::newRow("IPv6 in brackets") << QStringList{"--server", "[::1]:6200"} << "" << "::1" << 6200 << rule << "" << false;
        QTest::newRow("a name in another script") << QStringList{"--server", "b\u00FCcher.example"} << "" << "b\u00FCcher.example" << 6112 << rule << "" << false;
        QTest::newRow("Qt's options and their values")
            << QStringList{"-platform", "offscreen", "--qwindowtitle", "--server", "-style=fusion", "-reverse"}
            << "" << "built.in" << 6112 << rule << "" << false;
        QTest::newRow("the host forgotten") << QStringList{"--server", "6112"} << "" << "" << 0 << "" << "a number alone" << false;
        QTest::newRow("leading zeros") << QStringList{"--server", "192.168.001.010"} << "" << "" << 0 << "" << "leading zero" << false;
        QTest::newRow("a zero that would make it octal") << QStringList{"--server", "010.0.0.1"} << "" << "" << 0 << "" << "leading zero" << false;
        QTest::newRow("octal in wide digits and ideographic full stops")
            << QStringList{"--server", "\uFF10\uFF11\uFF10\u3002\uFF10\u3002\uFF10\u3002\uFF11"} << "" << "" << 0 << "" << "leading zero" << false;
        QTest::newRow("a number in hexadecimal") << QStringList{"--server", "0x7f000001"} << "" << "" << 0 << "" << "starts with a digit" << false;
        QTest::newRow("three numbers") << QStringList{"--server", "10.1.2"} << "" << "" << 0 << "" << "four numbers" << false;
        QTest::newRow("a bare IPv6 address") << QStringList{"--server", "fe80::1"} << "" << "" << 0 << "" << "in brackets" << false;
        QTest::newRow("a mistyped option") << QStringList{"--sever", "host"} << "" << "" << 0 << "" << "unknown option \"--sever\"" << false;
        QTest::newRow("one dash") << QStringList{"-server", "host"} << "" << "" << 0 << "" << "unknown option \"-server\"" << false;
        QTest::newRow("-v") << QStringList{"-v"} << "" << "" << 0 << "" << "unknown option \"-v\"" << false;
        QTest::newRow("a stray word") << QStringList{"--server", "host", "later"} << "" << "" << 0 << "" << "unexpected argument \"later\"" << false;
        QTest::newRow("--pace off") << QStringList{"--pace", "off"} << "" << "built.in" << 6112 << "off" << "" << false;
        QTest::newRow("--pace twice") << QStringList{"--pace", "off", "--pace=on"} << "" << "" << 0 << "" << "--pace given twice" << false;
        QTest::newRow("a bad --pace") << QStringList{"--pace=fast"} << "" << "" << 0 << "" << "bad --pace value \"fast\"" << false;
        QTest::newRow("--reconnect off") << QStringList{"--reconnect", "off"} << "" << "built.in" << 6112 << rule + "; reconnect off" << "" << false;
        QTest::newRow("--reconnect twice") << QStringList{"--reconnect=on", "--reconnect", "on"} << "" << "" << 0 << "" << "--reconnect given twice" << false;
        QTest::newRow("a bad --reconnect") << QStringList{"--reconnect", "no"} << "" << "" << 0 << "" << "bad --reconnect value \"no\"" << false;
        QTest::newRow("--reconnect without a value") << QStringList{"--reconnect"} << "" << "" << 0 << "" << "--reconnect needs on or off" << false;
        QTest::newRow("the file's gateway and pace")
            << QStringList{} << "server=127.0.0.1:7000\npace=3, 10, 50, 300\nreconnect=off\n" << "127.0.0.1" << 7000 << "3,10,50,300; reconnect off" << "" << false;
        QTest::newRow("the command line before the file")
            << QStringList{"--server", "a.example", "--pace", "on", "--reconnect=on"} << "server=b.example:7000\npace=off\nreconnect=off\n" << "a.example" << 6112 << rule << "" << false;
        QTest::newRow("a bad server in the file: the built-in gateway, and a box")
            << QStringList{} << "server=6112\n" << "built.in" << 6112 << rule
            << "quillon.conf: bad server value \"6112\": a number alone is not a host; write HOST:PORT; connecting to the built-in gateway built.in:6112 instead" << true;
        QTest::newRow("a control character spelt as an escape: shown harmless")
            << QStringList{} << "server=a\\x1b[2J\n" << "built.in" << 6112 << rule << "bad server value \"a?[2J\"" << true;
        QTest::newRow("a bad pace in the file") << QStringList{} << "pace=5,5,40\n" << "built.in" << 6112 << rule
                                                << "bad pace value \"5,5,40\"" << true;
        QTest::newRow("a bad reconnect in the file") << QStringList{} << "reconnect=of\n" << "built.in" << 6112 << rule
                                                     << "bad reconnect value \"of\": not on or off; reconnecting by itself" << true;
        QTest::newRow("a server that refuses at the first unit") << QStringList{} << "pace=1,5,40,200\n" << "built.in" << 6112 << rule
                                                << "refuses must be a number from 2" << true;
        QTest::newRow("an unknown key, a key in a section: stderr only")
            << QStringList{} << "sever=x\n[net]\nserver=c.example\n" << "built.in" << 6112 << rule
            << "unknown key \"net/server\" ignored" << false;
    }
    void startup()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, pace);
        QFETCH(QString, said);
        QFETCH(bool, boxed);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        if (!file.isEmpty()) {
            QVERIFY(QDir(config.path()).mkdir(QStringLiteral("quillon")));
            QFile conf(config.filePath(QStringLiteral("quillon/quillon.conf")));
            QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(file.toUtf8()) > 0);
        }
        const app::Startup s = app::startup(QStringList{"quillon"} + args, QStringLiteral("built.in"), 6112);
        qunsetenv("XDG_CONFIG_HOME");
        const QString errors = s.errors.join(u'\n');
        QVERIFY2(said.isEmpty() ? errors.isEmpty() : errors.contains(said), qPrintable(errors));
        QCOMPARE(!s.boxes.isEmpty(), boxed);
        QCOMPARE(s.action, host.isEmpty() ? app::CommandLine::Fail : app::CommandLine::Run);
        if (s.action == app::CommandLine::Run) {
            QCOMPARE(s.host, host);
            QCOMPARE(s.port, port);
            QCOMPARE((s.pace ? app::paceText(app::Pace{true, *s.pace}) : QStringLiteral("off"))
                         + (s.reconnect ? QString() : QStringLiteral("; reconnect off")),
                     pace);
        }
    }

    // Last: Quit ends the event loop the program runs in.
    void quitEndsTheProgram()
    {
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QEventLoop loop;
        QTimer::singleShot(0, &w, [&] { QTest::mouseClick(w.Quit, Qt::LeftButton); });
        QTimer watchdog;
        bool timedOut = false;
        watchdog.singleShot(5000, &loop, [&] { timedOut = true; loop.quit(); });
        loop.exec();
        QVERIFY(!timedOut);
    }
};

QTEST_MAIN(tst_frmBot)
#include "tst_frmbot.moc"
