#include "connection/Winsock.h"

#include "LoopbackGateway.h"

#include <QSignalSpy>
#include <QTest>

namespace {
bool connectTo(Winsock &s, LoopbackGateway &gw)
{
    s.setRemoteHost(gw.host());
    s.setRemotePort(gw.port());
    return s.Connect() && gw.waitForClient()
           && QTest::qWaitFor([&s] { return s.state() == Winsock::Connected; }, 5000);
}
} // namespace

class tst_Winsock : public QObject
{
    Q_OBJECT
private slots:
    void sendWithoutConnectionFails()
    {
        Winsock s;
        QSignalSpy sent(&s, &Winsock::dataSent);
        QVERIFY(!s.SendData("hello\r\n"));
        QCOMPARE(s.state(), Winsock::Closed);
        QCOMPARE(sent.count(), 0);
    }

    void refusedConnection()
    {
        quint16 port;
        {
            LoopbackGateway gone; // find a port nobody listens on
            port = gone.port();
        }
        Winsock s;
        s.setRemoteHost(QStringLiteral("127.0.0.1"));
        s.setRemotePort(port);
        QVERIFY(s.Connect());
        QTRY_VERIFY(s.state() != Winsock::Connecting && s.state() != Winsock::ResolvingHost);
        QVERIFY(s.state() != Winsock::Connected);
        QVERIFY(!s.SendData("x\r\n"));
    }

    void configurationIsChecked_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("protocolOk");
        QTest::addColumn<bool>("connectOk");
        QTest::newRow("tcp") << 0 << "127.0.0.1" << 6112 << true << true;
        QTest::newRow("udp is not offered") << 1 << "127.0.0.1" << 6112 << false << true;
        QTest::newRow("port out of range") << 0 << "127.0.0.1" << 70000 << true << false;
        QTest::newRow("no host") << 0 << "" << 6112 << true << false;
    }
    void configurationIsChecked()
    {
        QFETCH(int, protocol);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, protocolOk);
        QFETCH(bool, connectOk);
        Winsock s;
        QCOMPARE(s.setProtocol(protocol), protocolOk);
        s.setRemoteHost(host);
        s.setRemotePort(port);
        QCOMPARE(s.Connect(), connectOk);
    }

    void handshakeWrittenWhileConnectingGoesOutOnceConnected()
    {
        LoopbackGateway gw;
        Winsock s;
        s.setRemoteHost(gw.host());
        s.setRemotePort(gw.port());
        QVERIFY(s.Connect());
        QVERIFY(s.state() != Winsock::Connected);
        QVERIFY(!s.SendData("chat\r\n"));
        QVERIFY(s.SendHandshake("early\r\n"));
        QVERIFY(gw.waitForBytes(7));
        QCOMPARE(gw.received(), QByteArray("early\r\n"));
        QCOMPARE(s.state(), Winsock::Connected);
        // A second connect on an open connection is refused.
        QVERIFY(!s.Connect());
    }

    void everyByteBothWays()
    {
        LoopbackGateway gw;
        Winsock s;
        QVERIFY(connectTo(s, gw));

        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QSignalSpy sent(&s, &Winsock::dataSent);
        QVERIFY(s.SendData(all));
        QVERIFY(gw.waitForBytes(256));
        QCOMPARE(gw.received(), all);
        QCOMPARE(sent.count(), 1);

        QSignalSpy arrived(&s, &Winsock::DataArrival);
        gw.send(all);
        QByteArray got;
        QTRY_VERIFY((got += s.GetData()).size() >= 256);
        QCOMPARE(got, all);
        QVERIFY(arrived.count() >= 1);
        QVERIFY(s.GetData().isEmpty());

        // Read in pieces, the bytes come out in order and none is lost.
        gw.send(all);
        got.clear();
        QTRY_COMPARE(s.bytesAvailable(), 256);
        while (s.bytesAvailable() > 0) {
            const QByteArray piece = s.GetData(100);
            QVERIFY(piece.size() <= 100);
            got += piece;
        }
        QCOMPARE(got, all);
    }

    void closedByServerThenConnectAgain()
    {
        LoopbackGateway gw;
        Winsock s;
        QVERIFY(connectTo(s, gw));
        gw.closeClient();
        QTRY_VERIFY(s.state() != Winsock::Connected);
        QVERIFY(!s.SendData("late\r\n"));
        QVERIFY(s.Connect());
        QTRY_COMPARE(gw.connections(), 2);
        QTRY_COMPARE(s.state(), Winsock::Connected);
    }

    void resetByServer()
    {
        LoopbackGateway gw;
        Winsock s;
        QVERIFY(connectTo(s, gw));
        gw.resetClient();
        QTRY_VERIFY(s.state() != Winsock::Connected);
        QVERIFY(!s.SendData("x\r\n"));
    }
};

QTEST_MAIN(tst_Winsock)
#include "tst_winsock.moc"
