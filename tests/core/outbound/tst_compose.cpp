#include "outbound/Composer.h"
#include "outbound/InputHistory.h"
#include "outbound/OutboundQueue.h"
#include "outbound/SentWhispers.h"
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

        // Over 160 bytes, the most four units carry: pieces, each echoed.
        const QString a(100, u'a'), b(100, u'b'), e = QStringLiteral("\u00e9"), smile = QStringLiteral("\U0001F600");
        const QByteArray wa(100, 'a'), wb(100, 'b'), we = "\xc3\xa9", wsmile = "\xf0\x9f\x98\x80";
        QTest::newRow("long chat cut at the blank") << Birds << QList<int>{} << a + u' ' + b << wa + "\r\n" + wb + "\r\n"
                                                    << "kestrel: " + a + "\r\nkestrel: " + b + "\r\n";
        QTest::newRow("a word longer than a piece, cut where it is full")
            << Birds << QList<int>{} << QString(170, u'x') << QByteArray(160, 'x') + "\r\nxxxxxxxxxx\r\n"
            << "kestrel: " + QString(160, u'x') + "\r\nkestrel: xxxxxxxxxx\r\n";
        QTest::newRow("not inside a UTF-8 sequence") << Birds << QList<int>{} << u'a' + e.repeated(80) << 'a' + we.repeated(79)
            + "\r\n" + we + "\r\n" << "kestrel: a" + e.repeated(79) + "\r\nkestrel: " + e + "\r\n";
        QTest::newRow("not inside a surrogate pair") << Birds << QList<int>{} << "ab" + smile.repeated(40) << "ab" + wsmile.repeated(39)
            + "\r\n" + wsmile + "\r\n" << "kestrel: ab" + smile.repeated(39) + "\r\nkestrel: " + smile + "\r\n";
        QTest::newRow("a blank at the very cut leaves no empty line") << Birds << QList<int>{} << QString(160, u'x') + u' '
            << QByteArray(160, 'x') + "\r\n" << "kestrel: " + QString(160, u'x') + "\r\n";
        QTest::newRow("a run of blanks at the cut goes nowhere")
            << Birds << QList<int>{} << QString(156, u'x') + QString(10, u' ') + b
            << QByteArray(156, 'x') + "\r\n" + wb + "\r\n" << "kestrel: " + QString(156, u'x') + "\r\nkestrel: " + b + "\r\n";
        QTest::newRow("no chat piece starts with a slash")
            << Birds << QList<int>{} << QString(158, u'a') + "  /quit"
            << QByteArray(158, 'a') + "\r\n /quit\r\n" << "kestrel: " + QString(158, u'a') + "\r\nkestrel:  /quit\r\n";
        QTest::newRow("each selected entry gets every piece with its prefix")
            << Birds << QList<int>{0, 2} << a + u' ' + b
            << "/Whisper heron  " + wa + "\r\n/Whisper heron  " + wb + "\r\n/Whisper finch  " + wa + "\r\n/Whisper finch  " + wb + "\r\n"
            << "kestrelTO: " + a + "\r\nkestrelTO: " + b + "\r\nkestrelTO: " + a + "\r\nkestrelTO: " + b + "\r\n";
        QTest::newRow("typed /Msg keeps command and name on every piece")
            << Birds << QList<int>{} << "/Msg heron  " + a + u' ' + b << "/Msg heron  " + wa + "\r\n/Msg heron  " + wb + "\r\n" << "";
        QTest::newRow("/emote pieces carry /emote") << Birds << QList<int>{} << "/emote " + QString(300, u'x')
                                                    << "/emote " + QByteArray(153, 'x') + "\r\n/emote " + QByteArray(147, 'x') + "\r\n" << "";
        QTest::newRow("/w without a name goes out whole") << Birds << QList<int>{} << "/w  " + a + b << "/w  " + wa + wb + "\r\n" << "";
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

    // When the next line may go, under the usual rule and margin: a window
    // of 6500 ms that holds at most four units.
    void paces_data()
    {
        using S = outbound::SentLine;
        QTest::addColumn<QList<S>>("sent");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("now");
        QTest::addColumn<int>("due");
        const QList<S> four{{0, 0}, {100, 1}, {200, 40}, {300, 10}}; // a unit each, empty line too
        QTest::newRow("a fourth unit goes now") << four.mid(0, 3) << 10 << 300 << 300;
        QTest::newRow("a fifth waits for the first to run out") << four << 10 << 400 << 6500;
        QTest::newRow("41 bytes are two units") << four.mid(0, 3) << 41 << 300 << 6500;
        QTest::newRow("a full piece waits for an empty window") << QList<S>{{0, 10}, {3000, 10}} << 160 << 4000 << 9500;
        QTest::newRow("a line no rule lets through waits for one too") << QList<S>{{0, 10}} << 400 << 100 << 6500;
        QTest::newRow("the first runs out at the edge of the window") << four << 10 << 6500 << 6500;
        QTest::newRow("a millisecond before the edge it still counts") << four << 10 << 6499 << 6500;
        QTest::newRow("a clock gone back waits one window from now, no more")
            << QList<S>{{90000, 1}, {90100, 1}, {90200, 1}, {90300, 1}} << 1 << 50 << 6550;
        QTest::newRow("a clock jumped ahead finds the window empty") << four << 10 << 1000000 << 1000000;
    }
    void paces()
    {
        QFETCH(QList<outbound::SentLine>, sent);
        QFETCH(int, bytes);
        QFETCH(int, now);
        QFETCH(int, due);
        QCOMPARE(outbound::nextSendAt(sent, bytes, now, outbound::PaceRule{}, outbound::DefaultMarginMs), qint64(due));
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
                int used = std::min(units(b), 4);
                for (const auto &[at, size] : sent)
                    used += at > t - span ? units(size) : 0;
                return used <= 4;
            };
            qint64 now = 0;
            for (int step = 0, input = 0; step < 300; ++step) {
                if (const int op = int(rng.bounded(10)); op < 4) {
                    QList<outbound::Outgoing> lines;
                    for (int k = 0, n = 1 + int(rng.bounded(3)); k < n; ++k) {
                        waiting.append({rng.bounded(220), QStringLiteral("%1.%2").arg(input).arg(k), input});
                        lines.append({QString(waiting.last().bytes, u'x'), QString(), waiting.last().rest});
                    }
                    queue.add(lines), ++input;
                } else if (op < 9) {
                    now = op < 7 ? now + rng.bounded(3000) : queue.dueAt(now); // or right at the edge
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

    // Whispers shown once: each event is a line written with an echo ("E:"),
    // one written as a typed command ("C:"), a server's confirmation ("<"
    // name text) or a new connection ("|"). A written whisper says whether
    // it was echoed, a confirmation whether it is shown.
    void whispersShowOnce_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("seen");
        QTest::newRow("echoed until the server is known to confirm, then shown by it")
            << QStringList{"E:/Whisper heron  hi", "<heron hi", "E:/Whisper heron  again", "<heron again"}
            << "echoed hidden quiet shown";
        QTest::newRow("a typed whisper is shown by its confirmation")
            << QStringList{"C:/w heron psst", "<heron psst"} << "quiet shown";
        QTest::newRow("as the server writes name and text back")
            << QStringList{"E:/whisper HERON   hi  ", "<heron hi"} << "echoed hidden";
        QTest::newRow("a confirmation settles refused whispers before it")
            << QStringList{"E:/m owl a", "E:/msg heron b", "<heron b", "<owl a"} << "echoed echoed hidden shown";
        QTest::newRow("not whispers") << QStringList{"E:/me waves", "E:/wx heron a", "E:/w"} << "- - -";
        QTest::newRow("a new connection has confirmed nothing yet")
            << QStringList{"C:/w heron a", "<heron a", "|", "E:/w heron b"} << "quiet shown | echoed";
    }
    void whispersShowOnce()
    {
        QFETCH(QStringList, events);
        QFETCH(QString, seen);
        outbound::SentWhispers whispers;
        QStringList said;
        for (const QString &e : events) {
            if (e == u"|") {
                whispers.reset();
                said << e;
            } else if (e.startsWith(u'<')) {
                const QStringList to = e.mid(1).split(u' ');
                said << (whispers.confirmed(to[0], to[1]) ? "shown" : "hidden");
            } else if (const auto w = outbound::whisperOf(e.mid(2))) {
                const bool echoed = e.startsWith(u"E:") && whispers.echoesNow();
                whispers.written(*w, echoed);
                said << (echoed ? "echoed" : "quiet");
            } else {
                said << "-";
            }
        }
        QCOMPARE(said.join(u' '), seen);
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
