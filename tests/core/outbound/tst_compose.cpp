#include "outbound/Composer.h"
#include "outbound/InputHistory.h"
#include "protocol/WireText.h"
#include "protocol/OutboundLines.h"

#include <QTest>

namespace {
// Entries as the receive path stores them keep the blank that followed the
// name, e.g. "heron ".
const QStringList Birds = QStringList() << QStringLiteral("heron ") << QStringLiteral("owl ") << QStringLiteral("finch ");
} // namespace

// What the composer decides, without a window: the bytes that go out and the
// lines the transcript gets, for the user kestrel.
class tst_Compose : public QObject
{
    Q_OBJECT
private slots:
    void composes_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("transcript");

        QTest::newRow("chat") << Birds << QList<int>{} << "good game" << QByteArray("good game\r\n")
                              << "kestrel: good game\r\n";
        QTest::newRow("command while users are selected")
            << Birds << QList<int>{0, 2} << "/who Harbour Lights" << QByteArray("/who Harbour Lights\r\n") << "";
        QTest::newRow("slash alone") << Birds << QList<int>{} << "/" << QByteArray("/\r\n") << "";
        QTest::newRow("blank then slash is whispered")
            << Birds << QList<int>{1} << " /who x" << QByteArray("/Whisper owl   /who x\r\n") << "kestrelTO:  /who x\r\n";
        QTest::newRow("blank then slash is chat")
            << Birds << QList<int>{} << " /who x" << QByteArray(" /who x\r\n") << "kestrel:  /who x\r\n";
        QTest::newRow("empty input, nothing selected") << Birds << QList<int>{} << "" << QByteArray("\r\n") << "kestrel: \r\n";
        QTest::newRow("empty input, one selected")
            << Birds << QList<int>{0} << "" << QByteArray("/Whisper heron  \r\n") << "kestrelTO: \r\n";
        QTest::newRow("three selected")
            << Birds << QList<int>{0, 1, 2} << "gg"
            << QByteArray("/Whisper heron  gg\r\n/Whisper owl  gg\r\n/Whisper finch  gg\r\n")
            << "kestrelTO: gg\r\nkestrelTO: gg\r\nkestrelTO: gg\r\n";
        QTest::newRow("empty list gives chat") << QStringList() << QList<int>{} << "hi" << QByteArray("hi\r\n") << "kestrel: hi\r\n";
        QTest::newRow("entry sent untrimmed")
            << (QStringList() << QStringLiteral("  ibis  ")) << QList<int>{0} << "hi"
            << QByteArray("/Whisper   ibis   hi\r\n") << "kestrelTO: hi\r\n";
        QTest::newRow("beyond ASCII goes out as UTF-8")
            << Birds << QList<int>{} << QStringLiteral("caf\u00e9 \u00fcber") << QByteArray("caf\xc3\xa9 \xc3\xbc" "ber\r\n")
            << QStringLiteral("kestrel: caf\u00e9 \u00fcber\r\n");
        QTest::newRow("echo equals the bytes sent")
            << Birds << QList<int>{} << QStringLiteral("price 5\u20ac") << QByteArray("price 5\xe2\x82\xac\r\n")
            << QStringLiteral("kestrel: price 5\u20ac\r\n");
        QTest::newRow("8-bit name whispered back as its bytes")
            << (QStringList() << wire::fromWire("J\xfcrgen ")) << QList<int>{0} << "hi"
            << QByteArray("/Whisper J\xfcrgen  hi\r\n") << "kestrelTO: hi\r\n";
        QTest::newRow("40,000 characters go out whole") << Birds << QList<int>{} << "/" + QString(39999, u'x')
                                                        << "/" + QByteArray(39999, 'x') + "\r\n" << "";
        // A pasted line break must not turn the tail of a whisper into chat.
        QTest::newRow("pasted line break stays in the whisper")
            << Birds << QList<int>{0} << "secret\r\nmore" << QByteArray("/Whisper heron  secret  more\r\n")
            << "kestrelTO: secret  more\r\n";
        QTest::newRow("pasted line break stays in the chat line")
            << Birds << QList<int>{} << "one\ntwo" << QByteArray("one two\r\n") << "kestrel: one two\r\n";
        QTest::newRow("line break in a received name")
            << (QStringList() << QStringLiteral("ev\nil ")) << QList<int>{0} << "hi" << QByteArray("/Whisper ev il  hi\r\n")
            << "kestrelTO: hi\r\n";
    }
    void composes()
    {
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, selected);
        QFETCH(QString, input);
        QFETCH(QByteArray, wire);
        QFETCH(QString, transcript);

        QStringList picked;
        for (int i : selected)
            picked << entries.at(i);
        QByteArray sent;
        QString shown;
        for (const outbound::Outgoing &out : outbound::compose(input, picked, u"kestrel")) {
            sent += wire::toWire(wire::withLineEnd(out.line));
            if (!out.echo.isNull())
                shown += out.echo + QStringLiteral("\r\n");
        }
        QCOMPARE(sent, wire);
        QCOMPARE(shown, transcript);
    }

    // The input history: what the input line shows after each key ('u' Up,
    // 'd' Down), when it held "draft" as the walk started.
    void historyWalks_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("up to the oldest; an empty line is not kept")
            << QStringList{"a", "b", "", "c"} << "uuuu" << QStringList{"c", "b", "a", "a"};
        QTest::newRow("down past the newest gives back the draft")
            << QStringList{"a", "b"} << "udddu" << QStringList{"b", "draft", "draft", "draft", "b"};
        QStringList many, newestFirst;
        for (int i = 0; i <= 100; ++i)
            newestFirst.prepend(many.emplace_back(QString::number(i)));
        QTest::newRow("the oldest goes past 100")
            << many << QString(101, u'u') << newestFirst.mid(0, 100) + QStringList{"1"};
    }
    void historyWalks()
    {
        QFETCH(QStringList, sent);
        QFETCH(QString, keys);
        QFETCH(QStringList, shown);
        InputHistory history;
        for (const QString &line : sent)
            history.record(line);
        QString line = QStringLiteral("draft");
        QStringList seen;
        for (QChar key : keys) {
            if (const auto next = key == u'u' ? history.up(line) : history.down())
                line = *next;
            seen << line;
        }
        QCOMPARE(seen, shown);
    }
};

QTEST_APPLESS_MAIN(tst_Compose)
#include "tst_compose.moc"
