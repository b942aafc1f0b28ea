#include "outbound/Composer.h"
#include "outbound/InputHistory.h"
#include "outbound/OutboundQueue.h"
#include "outbound/Pieces.h"
#include "protocol/WireText.h"
#include "protocol/OutboundLines.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(outbound::SentLine)

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

        // Over 160 bytes, the most four units carry.
        const QString a(100, u'a'), b(100, u'b');
        const QByteArray wa(100, 'a'), wb(100, 'b');
        QTest::newRow("long chat in pieces, cut at the blank, each echoed")
            << Birds << QList<int>{} << a + u' ' + b << wa + "\r\n" + wb + "\r\n"
            << "kestrel: " + a + "\r\nkestrel: " + b + "\r\n";
        QTest::newRow("each selected entry gets every piece with its prefix")
            << Birds << QList<int>{0, 2} << a + u' ' + b
            << "/Whisper heron  " + wa + "\r\n/Whisper heron  " + wb + "\r\n/Whisper finch  " + wa + "\r\n/Whisper finch  " + wb + "\r\n"
            << "kestrelTO: " + a + "\r\nkestrelTO: " + b + "\r\nkestrelTO: " + a + "\r\nkestrelTO: " + b + "\r\n";
        QTest::newRow("typed /Msg keeps command and name on every piece")
            << Birds << QList<int>{} << "/Msg heron  " + a + u' ' + b
            << "/Msg heron  " + wa + "\r\n/Msg heron  " + wb + "\r\n" << "";
        QTest::newRow("/emote pieces carry /emote")
            << Birds << QList<int>{} << "/emote " + QString(300, u'x')
            << "/emote " + QByteArray(153, 'x') + "\r\n/emote " + QByteArray(147, 'x') + "\r\n" << "";
        QTest::newRow("/w without a name goes out whole") << Birds << QList<int>{} << "/w  " + a + b
                                                         << "/w  " + wa + wb + "\r\n" << "";
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
        for (const outbound::Outgoing &out : outbound::compose(input, picked, u"kestrel", 160)) {
            sent += wire::toWire(wire::withLineEnd(out.line));
            if (!out.echo.isNull())
                shown += out.echo + QStringLiteral("\r\n");
        }
        QCOMPARE(sent, wire);
        QCOMPARE(shown, transcript);
    }

    void cuts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("fits whole") << "hello" << 5 << QStringList{"hello"};
        QTest::newRow("at the last blank that fits, which goes") << "one two three" << 9 << QStringList{"one two", "three"};
        QTest::newRow("at a blank just past the limit") << "aa bb cc dd" << 8 << QStringList{"aa bb cc", "dd"};
        QTest::newRow("a word longer than a piece, where it is full") << "abcdefghij" << 4 << QStringList{"abcd", "efgh", "ij"};
        QTest::newRow("not inside a UTF-8 sequence") << QStringLiteral("a\u00e9\u00e9") << 4
                                                     << QStringList{QStringLiteral("a\u00e9"), QStringLiteral("\u00e9")};
        QTest::newRow("not inside a surrogate pair") << QStringLiteral("abc\U0001F600") << 5
                                                     << QStringList{"abc", QStringLiteral("\U0001F600")};
        const QString stray = wire::fromWire("\xe9\xe9\xe9\xe9\xe9");
        QTest::newRow("a stray byte is one byte") << stray << 4 << QStringList{stray.first(4), stray.last(1)};
        QTest::newRow("a blank at the very cut leaves no empty line") << "abcd " << 4 << QStringList{"abcd"};
        QTest::newRow("too small to cut") << "abcdef" << 3 << QStringList{"abcdef"};
    }
    void cuts()
    {
        QFETCH(QString, text);
        QFETCH(int, maxBytes);
        QFETCH(QStringList, pieces);
        QStringList got;
        for (QStringView piece : outbound::cutText(text, maxBytes))
            got << piece.toString();
        QCOMPARE(got, pieces);
    }

    // When the next line may go, under the usual rule and margin: a window
    // of 6500 ms that holds at most four units.
    void paces_data()
    {
        using S = outbound::SentLine;
        QTest::addColumn<QList<S>>("sent");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("due");
        const QList<S> four{{0, 0}, {100, 1}, {200, 40}, {300, 10}}; // a unit each, empty line too
        QTest::newRow("nothing sent") << QList<S>{} << 10 << qint64(0) << qint64(0);
        QTest::newRow("a fourth unit goes now") << four.mid(0, 3) << 10 << qint64(300) << qint64(300);
        QTest::newRow("a fifth waits for the first to run out") << four << 10 << qint64(400) << qint64(6500);
        QTest::newRow("41 bytes are two units") << four.mid(0, 3) << 41 << qint64(300) << qint64(6500);
        QTest::newRow("a full piece waits for an empty window")
            << QList<S>{{0, 10}, {3000, 10}} << 160 << qint64(4000) << qint64(9500);
        QTest::newRow("a line no rule lets through waits for an empty window too")
            << QList<S>{{0, 10}} << 400 << qint64(100) << qint64(6500);
        QTest::newRow("a long line sent counts all its units") << QList<S>{{0, 160}} << 1 << qint64(10) << qint64(6500);
        QTest::newRow("the first runs out at the edge of the window") << four << 10 << qint64(6500) << qint64(6500);
        QTest::newRow("a millisecond before the edge it still counts") << four << 10 << qint64(6499) << qint64(6500);
        QTest::newRow("a clock gone back waits one window from now, no more")
            << QList<S>{{90000, 1}, {90100, 1}, {90200, 1}, {90300, 1}} << 1 << qint64(50) << qint64(6550);
        QTest::newRow("a clock jumped ahead finds the window empty") << four << 10 << qint64(1000000) << qint64(1000000);
    }
    void paces()
    {
        QFETCH(QList<outbound::SentLine>, sent);
        QFETCH(int, bytes);
        QFETCH(qint64, now);
        QFETCH(qint64, due);
        QCOMPARE(outbound::nextSendAt(sent, bytes, now, outbound::PaceRule{}, outbound::DefaultMarginMs), due);
    }

    // The queue against the rule written out plainly: at every moment a line
    // goes, the window behind it holds no more than four units, and no line
    // waits past the first moment that would hold.
    void queueMatchesAPlainModel()
    {
        const qint64 span = 5000 + outbound::DefaultMarginMs;
        const auto units = [](qsizetype b) { return b == 0 ? 1 : int((b + 39) / 40); };
        struct Line { qsizetype bytes; QString rest; int input; };
        for (quint32 seed = 1; seed <= 20; ++seed) {
            QRandomGenerator rng(seed);
            OutboundQueue queue;
            queue.setRule(outbound::PaceRule{});
            QList<Line> waiting;
            QList<std::pair<qint64, qsizetype>> sent;
            const auto fits = [&](qsizetype b, qint64 t) {
                int used = 0;
                for (const auto &[at, size] : sent)
                    used += at > t - span ? units(size) : 0;
                return used + std::min(units(b), 4) <= 4;
            };
            qint64 now = 0;
            for (int step = 0, inputs = 0; step < 300; ++step) {
                const int op = int(rng.bounded(10));
                if (op < 4) {
                    QList<outbound::Outgoing> lines;
                    for (int k = 0, n = 1 + int(rng.bounded(3)); k < n; ++k) {
                        const qsizetype b = rng.bounded(220);
                        const QString rest = QStringLiteral("%1.%2").arg(inputs).arg(k);
                        lines.append({QString(b, u'x'), QString(), rest});
                        waiting.append({b, rest, inputs});
                    }
                    queue.add(lines);
                    ++inputs;
                } else if (op < 7) {
                    now += rng.bounded(3000);
                } else if (op < 9) {
                    now = queue.dueAt(now); // right at the edge
                } else {
                    QStringList back;
                    for (qsizetype i = 0; i < waiting.size(); ++i)
                        if (i == 0 || waiting.at(i).input != waiting.at(i - 1).input)
                            back << waiting.at(i).rest;
                    QCOMPARE(queue.takeBack(), back);
                    waiting.clear();
                }
                while (!waiting.isEmpty()) {
                    qint64 due = now;
                    while (!fits(waiting.first().bytes, due))
                        ++due;
                    QCOMPARE(queue.dueAt(now), due);
                    if (due > now)
                        break;
                    QCOMPARE(queue.first().bytes.size(), waiting.first().bytes);
                    queue.markSent(now);
                    sent.append({now, waiting.takeFirst().bytes});
                }
                QCOMPARE(queue.waiting(), waiting.size());
            }
        }
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
