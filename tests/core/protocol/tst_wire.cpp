#include "protocol/WireText.h"
#include "protocol/MessageCodes.h"
#include "protocol/OutboundLines.h"

#include <QTest>

class tst_Wire : public QObject
{
    Q_OBJECT
private slots:
    void everyByteSurvivesTheRoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        // No byte from 80 up begins a valid sequence here: each stands for itself.
        const QString text = wire::fromWire(all);
        QCOMPARE(text.size(), 256);
        for (int b = 0; b < 256; ++b)
            QCOMPARE(text.at(b).unicode(), char16_t(b < 0x80 ? b : wire::StrayByteBase + b));
        QCOMPARE(wire::toWire(text), all);
    }

    void handshake()
    {
        const QByteArray first = wire::toWire(wire::handshakePreamble());
        QCOMPARE(first, QByteArray::fromHex("03040d0a0d0a"));
        const QString password = QStringLiteral("s3cret");
        const QByteArray whole = first + wire::toWire(wire::handshakeName(u"wanderer"))
                                 + wire::toWire(wire::handshakePassword(password));
        QCOMPARE(whole.size(), 6 + 8 + 2 + password.size() + 2);
        QVERIFY(whole.startsWith(QByteArray::fromHex("03040d0a0d0a") + "wanderer\r\n"));
        QCOMPARE(wire::toWire(wire::handshakePassword(u"")), QByteArray("\r\n"));
    }

    void outboundLines_data()
    {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QByteArray>("bytes");
        // Entries keep the blank that followed the name in the received line.
        const QString alice = QStringLiteral("alice ");
        QTest::newRow("stats") << wire::statsCommand(alice) << QByteArray("/stats alice  STAR\r\n");
        QTest::newRow("ban") << wire::banCommand(alice) << QByteArray("/ban alice \r\n");
        QTest::newRow("unban") << wire::unbanCommand(alice) << QByteArray("/unban alice \r\n");
        QTest::newRow("whois") << wire::whoisCommand(alice) << QByteArray("/whois alice \r\n");
        QTest::newRow("rejoin") << wire::rejoinCommand() << QByteArray("/rejoin \r\n");
        QTest::newRow("whisper") << wire::whisperCommand(alice, u"lag again") << QByteArray("/Whisper alice  lag again\r\n");
        QTest::newRow("whisper, no entry") << wire::whisperCommand(u"", u"hi") << QByteArray("/Whisper  hi\r\n");
        QTest::newRow("stats, no entry") << wire::statsCommand(u"") << QByteArray("/stats  STAR\r\n");
        QTest::newRow("channel") << wire::channelCommand(u"Opponents Wanted") << QByteArray("/Channel Opponents Wanted\r\n");
        QTest::newRow("channel, empty") << wire::channelCommand(u"") << QByteArray("/Channel \r\n");
        QTest::newRow("beyond ASCII as UTF-8")
            << QStringLiteral("caf\u00e9 \u20ac \U0001F600") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\r\n");
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) << QByteArray("\xef\xbf\xbd\r\n");
    }
    void outboundLines()
    {
        QFETCH(QString, built);
        QFETCH(QByteArray, bytes);
        QCOMPARE(wire::toWire(wire::withLineEnd(built)), bytes);
    }

    void commandMarker_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("command");
        QTest::newRow("slash") << "/who Chat" << true;
        QTest::newRow("blank then slash") << " /who" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("plain") << "hello /there" << false;
    }
    void commandMarker()
    {
        QFETCH(QString, text);
        QFETCH(bool, command);
        QCOMPARE(wire::isCommand(text), command);
    }

    void classify_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        using K = wire::Inbound;
        QTest::newRow("1001") << "1001 USER a 0010\r" << int(K::User);
        QTest::newRow("1002") << "1002 JOIN a 0010\r" << int(K::Join);
        QTest::newRow("1003") << "1003 LEAVE a 0010\r" << int(K::Leave);
        QTest::newRow("1004") << "1004 WHISPER\r" << int(K::Whisper);
        QTest::newRow("1005") << "1005 TALK\r" << int(K::Talk);
        QTest::newRow("1007") << "1007 CHANNEL\r" << int(K::Channel);
        QTest::newRow("1018") << "1018 INFO\r" << int(K::Info);
        QTest::newRow("1023") << "1023 EMOTE\r" << int(K::Emote);
        QTest::newRow("1019") << "1019 ERROR\r" << int(K::Error);
        QTest::newRow("2000") << "2000 NULL\r" << int(K::Ignored);
        QTest::newRow("2010") << "2010 NAME x\r" << int(K::Name);
        QTest::newRow("1010") << "1010 WHISPER\r" << int(K::WhisperSent);
        QTest::newRow("1015") << "1015 CHANNELRESTRICTED\r" << int(K::ChannelRestricted);
        QTest::newRow("four digits we do not know") << "1016 INFO\r" << int(K::Unknown);
        QTest::newRow("no code: the server's prose") << "Login failed.\r" << int(K::None);
        QTest::newRow("leading blank") << " 1005 TALK\r" << int(K::None);
        QTest::newRow("leading LF") << "\n1005 TALK\r" << int(K::None);
        QTest::newRow("short") << "100\r" << int(K::None);
        QTest::newRow("code only") << "1005" << int(K::Talk);
        QTest::newRow("empty line") << "\r" << int(K::None);
    }
    void classify()
    {
        QFETCH(QString, line);
        QFETCH(int, kind);
        QCOMPARE(int(wire::classify(line)), kind);
    }
};

QTEST_APPLESS_MAIN(tst_Wire)
#include "tst_wire.moc"
