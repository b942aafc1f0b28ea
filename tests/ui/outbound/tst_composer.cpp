#include "OutboundHarness.h"

#include "outbound/SendNotice.h"

#include <QApplication>

namespace {
enum Connection { NeverConnected, ClosedByGateway, StillConnecting };
}

class tst_Composer : public QObject
{
    Q_OBJECT
private slots:
    void workedExample()
    {
        ConnectedWindow c;
        fillRoomlist(c.w, Birds, {0, 2});
        c.w.Text2->moveCursor(QTextCursor::Start);
        c.w.Text1->setText(QStringLiteral("good game"));
        QTest::keyClick(c.w.Text1, Qt::Key_Return);

        QCOMPARE(c.takeSent(), QByteArray("/Whisper heron  good game\r\n/Whisper finch  good game\r\n"));
        QCOMPARE(c.w.Text2->text(), QStringLiteral("kestrelTO: good game\r\nkestrelTO: good game\r\n"));
        QCOMPARE(c.w.Text2->selStart(), c.w.Text2->textLength());
        QVERIFY(c.w.Text1->text().isEmpty());
        QCOMPARE(selectedRows(c.w), QList<int>({0, 2}));

        // The selection stays, so the next line goes to the same users.
        c.w.Text1->setText(QStringLiteral("again"));
        QTest::keyClick(c.w.Text1, Qt::Key_Return);
        QCOMPARE(c.takeSent(), QByteArray("/Whisper heron  again\r\n/Whisper finch  again\r\n"));

        // Nothing selected: the same text is chat.
        c.w.Roomlist->clearSelection();
        c.w.Text1->setText(QStringLiteral("good game"));
        QTest::keyClick(c.w.Text1, Qt::Key_Return);
        QCOMPARE(c.takeSent(), QByteArray("good game\r\n"));
        QVERIFY(c.w.Text2->text().endsWith(QStringLiteral("kestrelTO: again\r\nkestrel: good game\r\n")));
    }

    void enterInEitherBox_data()
    {
        QTest::addColumn<bool>("inTranscript");
        QTest::addColumn<int>("key");
        QTest::newRow("Return in the input line") << false << int(Qt::Key_Return);
        QTest::newRow("keypad Enter in the input line") << false << int(Qt::Key_Enter);
        QTest::newRow("Return in the transcript") << true << int(Qt::Key_Return);
        QTest::newRow("keypad Enter in the transcript") << true << int(Qt::Key_Enter);
    }
    void enterInEitherBox()
    {
        QFETCH(bool, inTranscript);
        QFETCH(int, key);
        ConnectedWindow c;
        c.w.Text2->appendLine(u"earlier line");
        c.w.Text2->moveCursor(QTextCursor::Start);
        c.w.Text1->setText(QStringLiteral("hello"));
        QWidget *box = inTranscript ? static_cast<QWidget *>(c.w.Text2) : c.w.Text1;
        box->setFocus();
        QTest::keyClick(box, Qt::Key(key));

        QCOMPARE(c.takeSent(), QByteArray("hello\r\n"));
        // The key itself adds no line break anywhere.
        QCOMPARE(c.w.Text2->text(), QStringLiteral("earlier line\r\nkestrel: hello\r\n"));
        QVERIFY(c.w.Text1->text().isEmpty());
    }

    void otherKeysGoOnUnchanged()
    {
        ConnectedWindow c;
        c.w.Text1->setFocus();
        QTest::keyClicks(c.w.Text1, QStringLiteral("ab c"));
        QCOMPARE(c.w.Text1->text(), QStringLiteral("ab c"));
        c.w.Text2->setFocus();
        QTest::keyClicks(c.w.Text2, QStringLiteral("xy"));
        QCOMPARE(c.w.Text2->toPlainText(), QStringLiteral("xy"));
        QCOMPARE(c.takeSent(), QByteArray());

        int key = 'q';
        c.w.Text1_KeyPress(key);
        QCOMPARE(key, int('q'));
        QCOMPARE(c.takeSent(), QByteArray());
    }

    // Echoes and received lines share the transcript's queue, so they show
    // in the order they happened; text goes both ways as UTF-8.
    void echoesKeepTheirPlaceAmongReceivedLines_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("transcript");
        QTest::newRow("ASCII") << QByteArray("1005 TALK heron 0010 \"first\"\r\n") << "second" << QByteArray("second\r\n")
                               << "heron : first\r\nkestrel: second\r\nheron : third\r\n";
        QTest::newRow("UTF-8, beyond U+FFFF too")
            << QByteArray("1005 TALK Zo\xC3\xAB 0010 \"\xD0\xBF\xD1\x80\xD0\xB8 \xF0\x9F\x92\xAF\"\r\n")
            << QStringLiteral("\u00E9\u20AC\U0001F4AF") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x92\xAF\r\n")
            << QStringLiteral("Zo\u00EB : \u043F\u0440\u0438 \U0001F4AF\r\nkestrel: \u00E9\u20AC\U0001F4AF\r\nheron : third\r\n");
    }
    void echoesKeepTheirPlaceAmongReceivedLines()
    {
        QFETCH(QByteArray, first);
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        QFETCH(QString, transcript);
        ConnectedWindow c;
        c.gw.send(first);
        QTRY_COMPARE(c.w.Text2->lineCount(), 1);
        c.w.Text1->setText(typed);
        QTest::keyClick(c.w.Text1, Qt::Key_Return);
        c.gw.send("1005 TALK heron 0010 \"third\"\r\n");
        QTRY_COMPARE(c.w.Text2->lineCount(), 3);
        QCOMPARE(c.w.Text2->text(), transcript);
        QCOMPARE(c.w.Text2->selStart(), c.w.Text2->textLength());
        QCOMPARE(c.takeSent(), sent);
    }

    // Lines that wait when the user takes them back with Escape, or when
    // the connection ends: their text returns before what is being typed,
    // and nothing of it goes out later, on this connection or the next.
    void waitingLinesComeBack_data()
    {
        QTest::addColumn<bool>("lost");
        QTest::newRow("Escape in the input line") << false;
        QTest::newRow("the connection ends") << true;
    }
    void waitingLinesComeBack()
    {
        QFETCH(bool, lost);
        ConnectedWindow c;
        c.w.setPacing(outbound::PaceRule{}); // the real rule: nothing here waits for it
        for (const char *line : {"one", "two", "three", "four", "five", "six"})
            c.w.Text1->setText(QLatin1StringView(line)), QTest::keyClick(c.w.Text1, Qt::Key_Return);
        QTest::keyClicks(c.w.Text1, QStringLiteral("draft"));
        QVERIFY(c.w.lblWaiting->isVisible());
        QVERIFY(c.w.Text1->accessibleDescription().startsWith(QStringLiteral("2 lines wait to be sent")));
        QVERIFY(c.gw.waitForBytes(23));
        QCOMPARE(c.gw.received(), QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n"));
        c.gw.clearReceived();

        if (lost)
            c.gw.closeClient();
        else
            QTest::keyClick(c.w.Text1, Qt::Key_Escape);
        QTRY_COMPARE(c.w.Text1->text(), QStringLiteral("five six draft"));
        QCOMPARE(c.w.Text1->toolTip(), lost ? outbound::WaitingNotSent : QString());
        QVERIFY(!c.w.lblWaiting->isVisible());
        QVERIFY(!c.w.Text1->accessibleDescription().contains(QStringLiteral("wait")));
        QCOMPARE(c.w.Text2->text(), QStringLiteral("kestrel: one\r\nkestrel: two\r\nkestrel: three\r\nkestrel: four\r\n"));
        if (lost)
            QVERIFY(c.w.Winsock1->Connect()
                    && QTest::qWaitFor([&] { return c.gw.connections() == 2 && c.w.Winsock1->state() == Winsock::Connected; }));
        QCOMPARE(c.takeSent(), QByteArray());
    }

    void failedSend_data()
    {
        QTest::addColumn<int>("connection");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("input");
        QTest::newRow("never connected, chat") << int(NeverConnected) << QList<int>{} << "good game";
        QTest::newRow("never connected, whispers") << int(NeverConnected) << QList<int>{0, 2} << "good game";
        QTest::newRow("never connected, command") << int(NeverConnected) << QList<int>{} << "/who x";
        QTest::newRow("closed by the gateway, chat") << int(ClosedByGateway) << QList<int>{} << "good game";
        QTest::newRow("closed by the gateway, whispers") << int(ClosedByGateway) << QList<int>{0, 2} << "good game";
        QTest::newRow("closed by the gateway, command") << int(ClosedByGateway) << QList<int>{1} << "/who x";
        QTest::newRow("still connecting, then refused") << int(StillConnecting) << QList<int>{} << "hello all";
    }
    void failedSend()
    {
        QFETCH(int, connection);
        QFETCH(QList<int>, selected);
        QFETCH(QString, input);
        const bool closedByGateway = connection == ClosedByGateway;

        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        UserName = QStringLiteral("kestrel");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QString before;
        if (closedByGateway) {
            w.Winsock1->Connect();
            QVERIFY(gw.waitForClient());
            QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
            w.Text1->setText(QStringLiteral("sent"));
            QVERIFY(w.Send_Click());
            QVERIFY(gw.waitForBytes(6));
            before = QStringLiteral("kestrel: sent\r\n");
            gw.closeClient();
            QTRY_VERIFY(w.Winsock1->state() != Winsock::Connected);
        }
        if (connection == StillConnecting) {
            // Nobody listens there, but the refusal is only seen once
            // events run again: the line is typed while still connecting.
            w.Winsock1->setRemotePort(LoopbackGateway().port());
            QVERIFY(w.Winsock1->Connect());
            QCOMPARE(w.Winsock1->state(), Winsock::Connecting);
        }
        fillRoomlist(w, Birds, selected);
        w.Text1->setText(input);
        QTest::keyClick(w.Text1, Qt::Key_Return);
        QTRY_VERIFY(w.Winsock1->state() == Winsock::Closed || w.Winsock1->state() == Winsock::Error);

        QCOMPARE(w.Text1->text(), input);
        // Up recalls only what went out; Down brings the kept text back.
        QTest::keyClick(w.Text1, Qt::Key_Up);
        QCOMPARE(w.Text1->text(), closedByGateway ? QStringLiteral("sent") : input);
        QTest::keyClick(w.Text1, Qt::Key_Down);
        QCOMPARE(w.Text1->text(), input);
        QCOMPARE(w.Text2->text(), before);
        QCOMPARE(w.Text1->toolTip(), outbound::NothingSent);
        QCOMPARE(selectedRows(w), selected);
        QVERIFY(!QApplication::activeModalWidget());
        if (closedByGateway)
            QCOMPARE(gw.received(), QByteArray("sent\r\n"));

        // Once connected again the kept text goes out, and the notice goes.
        w.Winsock1->setRemotePort(gw.port());
        QVERIFY(w.Winsock1->Connect());
        QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
        QVERIFY(w.Send_Click());
        QVERIFY(w.Text1->text().isEmpty());
        QVERIFY(w.Text1->toolTip().isEmpty());
    }
};

QTEST_MAIN(tst_Composer)
#include "tst_composer.moc"
