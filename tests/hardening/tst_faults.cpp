// Faults from the network, over loopback: refused and unresolvable
// connections, a server that drops the connection, endless and binary data,
// a huge channel, markup, sends after the server has gone, and Quit under a
// flood. After each: no crash, no hang, bounded memory, the transcript's
// earlier lines unchanged, and a window that still answers a click.
#include "app/ActionLabel.h"
#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/frmLogin.h"
#include "inbound/Receiver.h"
#include "inbound/RosterIndex.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "outbound/SendNotice.h"
#include "protocol/WireText.h"

#include "ConnectedWindow.h"
#include "DialogDrivers.h"
#include "LoopbackGateway.h"
#include "NoticeWatcher.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <functional>
#include <string>

using namespace std::string_literals;

namespace {

// ---- memory --------------------------------------------------------------

qint64 rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // The file reports no size, so it is read whole rather than to its end.
    const QList<QByteArray> fields = status.readAll().split('\n');
    for (const QByteArray &line : fields)
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// What the process may grow by over the whole run. Holding the 100 MB run
// (200 MB as text) would break it.
constexpr qint64 GrowthAllowanceKiB = 192 * 1024;

#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_ASAN 1
#endif
#endif
#ifdef QUILLON_ASAN
// Freed memory waits in the sanitizer's quarantine, 256 MB of it by default,
// which would count as growth here. A small one still catches late uses.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=16";
}
#endif

qint64 baselineKiB = 0;
qint64 peakKiB = 0;

void sampleMemory()
{
    peakKiB = qMax(peakKiB, rssKiB());
}

// Text received and not yet cut into lines, in characters. The receiver
// holds about a mebibyte and reads on as it gets through it.
constexpr qsizetype BacklogBound = 4 << 20;

// ---- the window and its gateway --------------------------------------------

QByteArray lines(std::initializer_list<const char *> ls)
{
    QByteArray out;
    for (const char *l : ls)
        out += QByteArray(l) + "\r\n";
    return out;
}

// What the server sent before each fault, and what it shows.
const QByteArray Opening = lines({
    "1007 CHANNEL \"Harbour Lights\"",
    "1001 USER heron 0010 [CHAT]",
    "1001 USER owl 0010 [CHAT]",
    "1005 TALK heron 0010 \"before the fault\"",
    "1018 INFO \"Welcome aboard\"",
});
const int OpeningLines = 5;
const QString OpeningShown = QStringLiteral("heron : before the fault\r\nWelcome aboard\r\n");

// The connected window of the other tests, counting lines rather than
// keeping them: some faults send millions.
struct Session : ConnectedWindow
{
    QSignalSpy sent{w.Winsock1, &Winsock::dataSent};
    QString earlier;

    Session() { keepLines = false; }

    // Waits until n lines in all have been cut and nothing is left to do.
    bool settle(qsizetype n, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] {
            sampleMemory();
            return cut >= n && !w.receiver().busy() && w.Winsock1->bytesAvailable() == 0;
        }, timeoutMs);
    }

    // The opening lines, shown; what the transcript holds then is what no
    // fault may change.
    bool open()
    {
        gw.send(Opening);
        const bool ok = settle(OpeningLines);
        earlier = w.Text2->text();
        return ok && earlier == OpeningShown;
    }
};

quint16 deadPort()
{
    LoopbackGateway gone;
    return gone.port();
}

// Everything that must hold after any fault. Returns what broke, or nothing.
QString stillFine(frmBot &w, const QString &earlier)
{
    if (!QTest::qWaitFor([&] { return !w.receiver().busy(); }, 20000))
        return QStringLiteral("the receiver never finished");
    const QString text = w.Text2->text();
    if (!text.startsWith(earlier))
        return QStringLiteral("the transcript's earlier lines changed");
    if (w.Text2->selStart() != w.Text2->textLength())
        return QStringLiteral("the caret is not at the end");
    const QString banner = w.Channel->text();
    if (banner != u"Marrow Vale") {
        static const QRegularExpression count(QStringLiteral("  \\((\\d+)\\)$"));
        const auto m = count.match(banner);
        if (!m.hasMatch() || m.captured(1).toInt() != w.Roomlist->count())
            return QStringLiteral("the banner's count is not the list's: ") + banner;
    }
    if (w.receiver().backlog() > BacklogBound || w.Winsock1->bytesAvailable() > Winsock::ReadBufferLimit)
        return QStringLiteral("the receive backlog is %1 characters").arg(w.receiver().backlog());
    sampleMemory();
    if (peakKiB - baselineKiB > GrowthAllowanceKiB)
        return QStringLiteral("memory grew by %1 MiB").arg((peakKiB - baselineKiB) / 1024);
    if (QApplication::activeModalWidget())
        return QStringLiteral("a modal window is still open");
    // The user clicks Menu twice: the panel shows, then hides again.
    const bool shown = w.Picture1->isVisible();
    QTest::mouseClick(w.cmdEnter, Qt::LeftButton);
    if (w.Picture1->isVisible() == shown)
        return QStringLiteral("Menu did not answer");
    QTest::mouseClick(w.cmdEnter, Qt::LeftButton);
    if (w.Picture1->isVisible() != shown)
        return QStringLiteral("Menu did not answer a second time");
    return {};
}

#define VERIFY_STILL_FINE(w, earlier)                                   \
    do {                                                                \
        const QString problem = stillFine((w), (earlier));              \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));               \
    } while (false)

// Shown text must not hold control characters: they could break one line
// into several or forge a line.
bool hasControls(QStringView text)
{
    for (QChar c : text)
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            return true;
    return false;
}

QString shownEntry(const frmBot &w, int row)
{
    auto *delegate = qobject_cast<QStyledItemDelegate *>(w.Roomlist->itemDelegate());
    return delegate ? delegate->displayText(w.Roomlist->item(row)->data(Qt::DisplayRole), QLocale())
                    : QStringLiteral("<no delegate>");
}

void loginAsNomad(frmLogin &d)
{
    typeAndLogin(d, QStringLiteral("Nomad"), QString());
}

// Feeds the gateway's client socket from a generator as fast as the client
// reads, never holding more than a few mebibytes on the way.
class Streamer : public QObject
{
public:
    using Next = std::function<QByteArray()>; // empty when done

    Streamer(QTcpSocket *socket, Next next)
        : m_socket(socket)
        , m_next(std::move(next))
    {
        connect(socket, &QTcpSocket::bytesWritten, this, &Streamer::topUp);
        topUp();
    }
    bool done() const { return m_done; }
    qint64 written() const { return m_written; }
    void stop() { m_done = true; }

private:
    void topUp()
    {
        while (!m_done && m_socket && m_socket->state() == QAbstractSocket::ConnectedState
               && m_socket->bytesToWrite() < 4 << 20) {
            const QByteArray piece = m_next();
            if (piece.isEmpty()) {
                m_done = true;
                break;
            }
            m_socket->write(piece);
            m_written += piece.size();
        }
        sampleMemory();
    }

    QPointer<QTcpSocket> m_socket;
    Next m_next;
    bool m_done = false;
    qint64 m_written = 0;
};

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Fonts, styles and the first window are loaded once; growth is
        // counted from here.
        {
            frmBot w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
        }
        baselineKiB = peakKiB = rssKiB();
        QVERIFY(baselineKiB > 0);
    }

    void cleanupTestCase()
    {
        qInfo("memory: %lld MiB at the start, %lld MiB at the most",
              baselineKiB / 1024, peakKiB / 1024);
    }

    // ---- no connection at all ----------------------------------------------

    void connectionFails_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1") << int(deadPort());
        QTest::newRow("host name cannot be resolved") << QStringLiteral("no-such-host.invalid") << 6112;
    }
    void connectionFails()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        frmBot w(host, port);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        NoticeWatcher notices;
        // The user logs in at once, while the connection is still being made.
        connectWith(w, loginAsNomad);
        QVERIFY(!openLoginDialog());
        QTRY_VERIFY_WITH_TIMEOUT(w.Winsock1->state() != Winsock::Connected
                                     && w.Winsock1->state() != Winsock::Connecting
                                     && w.Winsock1->state() != Winsock::ResolvingHost, 15000);
        // The watchdog tells the user.
        QTRY_VERIFY_WITH_TIMEOUT(notices.texts.contains(QStringLiteral("You have lost your connection to Battle.net")), 5000);

        // A line typed now is kept, and the user is told it went nowhere.
        QTest::keyClicks(w.Text1, QStringLiteral("anyone there?"));
        QTest::keyClick(w.Text1, Qt::Key_Return);
        QCOMPARE(w.Text1->text(), QStringLiteral("anyone there?"));
        QCOMPARE(w.Text1->toolTip(), outbound::NothingSent);
        VERIFY_STILL_FINE(w, QString());
        QVERIFY(w.Text2->text().isEmpty());
    }

    // ---- the server drops the connection -------------------------------------

    void serverDrops_data()
    {
        QTest::addColumn<QByteArray>("last");   // sent right before the drop
        QTest::addColumn<int>("lastLines");     // complete lines in it
        QTest::addColumn<QString>("shown");     // what they add to the transcript
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("early");        // Connect again before the receiver has read the last bytes
        const QByteArray half = "1005 TALK heron 0010 \"half a li";
        QTest::newRow("closes in the middle of a line") << half << 0 << QString() << false << false;
        QTest::newRow("resets in the middle of a line") << half << 0 << QString() << true << false;
        QTest::newRow("resets between lines") << QByteArray() << 0 << QString() << true << false;
        QTest::newRow("closes between CR and LF")
            << QByteArray("1018 INFO \"cut short\"\r") << 1 << QStringLiteral("cut short\r\n") << false << false;
        QByteArray many;
        QString manyShown;
        for (int i = 0; i < 3000; ++i) {
            many += "1018 INFO \"late " + QByteArray::number(i) + "\"\r\n";
            manyShown += QStringLiteral("late %1\r\n").arg(i);
        }
        QTest::newRow("closes with thousands of lines unread") << many + half << 3000 << manyShown << false << false;
        QTest::newRow("closes, Connect before the last lines were read")
            << many + half << 3000 << manyShown << false << true;
    }
    void serverDrops()
    {
        QFETCH(QByteArray, last);
        QFETCH(int, lastLines);
        QFETCH(QString, shown);
        QFETCH(bool, reset);
        QFETCH(bool, early);
        Session s;
        QVERIFY(s.open());
        // The receiver is kept from reading, as if it had not got round to
        // the last arrival when the user pressed Connect.
        if (early)
            QObject::disconnect(s.w.Winsock1, &Winsock::DataArrival, &s.w, &frmBot::Winsock1_DataArrival);
        s.gw.send(last);
        if (reset) {
            // A reset throws away what the client has not read yet; wait
            // until it holds every byte.
            QTRY_COMPARE(s.w.receiver().backlog() + s.w.Winsock1->bytesAvailable(), qsizetype(last.size()));
            s.gw.resetClient();
        } else {
            s.gw.closeClient();
        }

        // Connect again: the new connection starts clean. Every line the old
        // one completed is still handled, but a line it broke off must not
        // run into the first line of the new one.
        auto connectAgain = [&] {
            connectWith(s.w, [&](frmLogin &d) {
                QTRY_COMPARE(s.gw.connections(), 2);
                QTRY_COMPARE(s.w.Winsock1->state(), Winsock::Connected);
                d.reject();
            });
        };
        QTRY_VERIFY(s.w.Winsock1->state() != Winsock::Connected);
        if (early) {
            QCOMPARE(s.w.Winsock1->bytesAvailable(), qint64(last.size()));
            connectAgain();
            QObject::connect(s.w.Winsock1, &Winsock::DataArrival, &s.w, &frmBot::Winsock1_DataArrival);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(s.w.Text2->text(), s.earlier + shown, 10000);
            VERIFY_STILL_FINE(s.w, s.earlier);
            connectAgain();
        }
        QCOMPARE(s.sent.count(), 0);
        s.gw.send(lines({"1007 CHANNEL \"Second Wind\"", "1018 INFO \"fresh start\""}));
        QTRY_COMPARE_WITH_TIMEOUT(s.w.Text2->text(), s.earlier + shown + QStringLiteral("fresh start\r\n"), 20000);
        QCOMPARE(s.cut, OpeningLines + lastLines + 2);
        QCOMPARE(s.w.Channel->text(), QStringLiteral("Second Wind  (0)"));
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // ---- endless and binary data ---------------------------------------------

    // 100 MB without a CR between a line before and a line after it.
    void endlessLine()
    {
        Session s;
        QVERIFY(s.open());
        constexpr qint64 Total = 100'000'000;
        QByteArray piece(1 << 20, 'x');
        for (qsizetype i = 0; i < piece.size(); i += 61)
            piece[i] = (i & 1) ? '\n' : '"'; // line feeds and quotes, never a CR
        qint64 left = Total;
        int step = 0;
        qsizetype mostBacklog = 0;
        qint64 mostUnread = 0;
        QElapsedTimer clock;
        clock.start();
        Streamer streamer(s.gw.client(), [&]() -> QByteArray {
            mostBacklog = qMax(mostBacklog, s.w.receiver().backlog());
            mostUnread = qMax(mostUnread, s.w.Winsock1->bytesAvailable());
            switch (step) {
            case 0: ++step; return "1018 INFO \"before\"\r\n";
            case 1:
                if (left > 0) {
                    const qint64 n = qMin<qint64>(left, piece.size());
                    left -= n;
                    return n == piece.size() ? piece : piece.left(n);
                }
                ++step;
                return "\r\n1018 INFO \"after\"\r\n";
            default: return {};
            }
        });
        QVERIFY(QTest::qWaitFor([&] {
            mostBacklog = qMax(mostBacklog, s.w.receiver().backlog());
            mostUnread = qMax(mostUnread, s.w.Winsock1->bytesAvailable());
            sampleMemory();
            return streamer.done() && s.w.Text2->text().endsWith(u"after\r\n");
        }, 50000));
        qInfo("100 MB without a CR went through in %lld ms", clock.elapsed());
        QCOMPARE(streamer.written(), Total + qint64(sizeof "1018 INFO \"before\"\r\n" - 1)
                                         + qint64(sizeof "\r\n1018 INFO \"after\"\r\n" - 1));
        QCOMPARE(s.w.Text2->text(), s.earlier + QStringLiteral("before\r\nafter\r\n"));
        QVERIFY2(mostBacklog <= BacklogBound, qPrintable(QString::number(mostBacklog)));
        QVERIFY2(mostUnread <= Winsock::ReadBufferLimit, qPrintable(QString::number(mostUnread)));
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    void binaryGarbage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<qsizetype>>("cuts");

        QByteArray nul = QByteArray::fromStdString("1005 TALK he\0ron 0010 \"a\0b\"\r\n\0\0\0\r\n\0"s
                                                   "1018 INFO \"\0\"\r\n"s);
        nul += QByteArray(5000, '\0');
        QTest::newRow("NUL bytes") << nul << QList<qsizetype>{3, 13, 30, 31, 100};

        QByteArray every;
        for (int b = 0; b < 256; ++b)
            every += char(b);
        QByteArray allLines = every + "\r\n1005 TALK heron 0010 \"" + every + "\"\r\n1002 JOIN " + every
            + " 0010\r\n1007 CHANNEL \"" + every + "\"\r\n" + every + every;
        QList<qsizetype> everyCuts;
        for (qsizetype at = 7; at < allLines.size(); at += 37)
            everyCuts << at;
        QTest::newRow("every byte value") << allLines << everyCuts;

        const QByteArray odd = "\r\r\n\n\r1018 INFO \"a\"\n\r\n1018 INFO \"b\"\r\r\n\n\n1005 TALK heron 0010 \"c\r\nd\"\r"
                               "\n\r\n\r\r\r1001 USER x\r 0010\r\n1003 LEAVE \n 0010\r\n\n";
        QTest::newRow("CR and LF in odd places") << odd << QList<qsizetype>{1, 2, 3, 4, 5, 22, 23, 42, 43, 44};

        QRandomGenerator rng(8);
        QByteArray noise(1 << 20, Qt::Uninitialized);
        for (char &c : noise)
            c = char(rng.bounded(256));
        QList<qsizetype> noiseCuts;
        for (int i = 0; i < 20; ++i)
            noiseCuts << rng.bounded(noise.size());
        std::sort(noiseCuts.begin(), noiseCuts.end());
        QTest::newRow("random bytes") << noise << noiseCuts;

        // Valid codes with random fields: what a confused server might send.
        const char *const codes[] = {"1001 USER ", "1002 JOIN ", "1003 LEAVE ", "1004 WHISPER ", "1005 TALK ",
                                     "1007 CHANNEL ", "1018 INFO ", "1023 EMOTE "};
        const char *const flags[] = {" 0010 ", " 0000 ", " 0002 ", " 0012 ", " 0020 ", ""};
        QByteArray shaped;
        for (int i = 0; i < 20000; ++i) {
            shaped += codes[rng.bounded(8)];
            for (int k = rng.bounded(12); k > 0; --k)
                shaped += char(rng.bounded(256));
            shaped += flags[rng.bounded(6)];
            if (rng.bounded(2))
                shaped += '"';
            for (int k = rng.bounded(20); k > 0; --k)
                shaped += char(rng.bounded(256));
            shaped += rng.bounded(4) ? "\"\r\n" : "\r";
        }
        QTest::newRow("valid codes, random fields") << shaped << QList<qsizetype>{shaped.size() / 3};
    }
    void binaryGarbage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qsizetype>, cuts);
        Session s;
        QVERIFY(s.open());
        // The garbage, then a clean line: the receiver must be back in step.
        s.gw.sendSplit(bytes + "\r\n1018 INFO \"after the garbage\"\r\n", cuts, 5);
        QTRY_VERIFY_WITH_TIMEOUT(s.w.Text2->text().endsWith(u"\r\nafter the garbage\r\n"), 20000);
        VERIFY_STILL_FINE(s.w, s.earlier);

        // Nothing shown holds a raw control character.
        const QString added = s.w.Text2->text().mid(s.earlier.size());
        for (const QString &line : added.split(QStringLiteral("\r\n")))
            QVERIFY2(!hasControls(line), qPrintable(line.toUtf8().toPercentEncoding()));
        QVERIFY(!hasControls(s.w.Channel->text()));
        for (int i = 0; i < s.w.Roomlist->count(); ++i)
            QVERIFY(!hasControls(shownEntry(s.w, i)));
        QCOMPARE(s.sent.count(), 0);
    }

    // Every byte value in a name, a text and a channel name: shown one for
    // one with control characters as stand-ins, and a name goes back to the
    // server exactly as it came.
    void everyByteValueShownAndSentBack()
    {
        Session s;
        QVERIFY(s.open());
        QByteArray all; // all but CR, which ends the line, and LF, which the composer turns into a blank
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all += char(b);
        const QString text = wire::fromWire(all);
        // None of these bytes forms UTF-8 with its neighbour: each is shown
        // as one byte a character.
        const QString looks = QString::fromLatin1(all);
        s.gw.send("1005 TALK heron 0010 \"" + all + "\"\r\n1002 JOIN " + all + " 0010 [CHAT]\r\n");
        QVERIFY(s.settle(OpeningLines + 2));

        const QString line = s.w.Text2->text().mid(s.earlier.size());
        const QString prefix = QStringLiteral("heron : ");
        QVERIFY(line.startsWith(prefix));
        QVERIFY(line.endsWith(u"\r\n"));
        const QString shownText = line.mid(prefix.size()).chopped(2);
        QCOMPARE(shownText.size(), text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool control = (text[i].unicode() < 0x20 && text[i] != u'\t') || text[i].unicode() == 0x7f;
            if (control)
                QVERIFY2(!hasControls(shownText.sliced(i, 1)), qPrintable(QString::number(i)));
            else
                QCOMPARE(shownText[i], looks[i]);
        }

        QCOMPARE(s.w.Roomlist->count(), 3);
        QCOMPARE(s.w.Roomlist->item(2)->text(), text + u' ');
        QVERIFY(!hasControls(shownEntry(s.w, 2)));
        QCOMPARE(shownEntry(s.w, 2).size(), text.size() + 1);
        QCOMPARE(s.w.Channel->text(), QStringLiteral("Harbour Lights  (3)"));

        s.w.Roomlist->setCurrentRow(2, QItemSelectionModel::NoUpdate);
        s.w.Text1->setText(QStringLiteral("hi"));
        // In one line, as without pacing: paced, a line this long goes in pieces.
        s.w.setPacing(std::nullopt);
        QTest::mouseClick(s.w.cmdWhisper, Qt::LeftButton);
        const QByteArray expected = "/Whisper " + all + "  hi\r\n";
        QVERIFY(s.gw.waitForBytes(expected.size()));
        QCOMPARE(s.gw.received(), expected);
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // Lines near the cutter's limit, without a blank to wrap at, one after
    // another: each is shown cut, and they go through at once rather than a
    // stalled half second apiece.
    void longLinesWithoutABlank()
    {
        Session s;
        QVERIFY(s.open());
        const int n = 100;
        const QByteArray line = "1005 TALK heron 0010 \"" + QByteArray(60000, 'z') + "\"\r\n";
        int sentLines = 0;
        Streamer streamer(s.gw.client(), [&]() -> QByteArray {
            return sentLines++ < n ? line : QByteArray();
        });
        QVERIFY(s.settle(OpeningLines + n, 20000));
        QVERIFY(streamer.done());
        const QStringList added = s.w.Text2->text().mid(s.earlier.size()).split(QStringLiteral("\r\n"));
        QCOMPARE(added.size(), n + 1); // and the empty piece after the last line end
        const QString shown = QStringLiteral("heron : ") + QString(inbound::MaxLineShown - 9, u'z') + QChar(0x2026);
        QCOMPARE(shown.size(), inbound::MaxLineShown);
        QCOMPARE(added.first(), shown);
        QCOMPARE(added.at(n - 1), shown);
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // Names of many thousands of characters: kept whole, since they go back
    // to the server so, but shown cut.
    void longNames()
    {
        Session s;
        QVERIFY(s.open());
        QByteArray joins;
        for (int i = 0; i < 20; ++i)
            joins += "1002 JOIN " + QByteArray(60000, char('a' + i)) + " 0010\r\n";
        s.gw.send(joins);
        QVERIFY(s.settle(OpeningLines + 20));
        QCOMPARE(s.w.Roomlist->count(), 22);
        QCOMPARE(s.w.Roomlist->item(21)->text(), QString(60000, u't') + u' ');
        const QString shown = shownEntry(s.w, 21);
        QVERIFY(shown.size() <= 256);
        QVERIFY(shown.startsWith(QStringLiteral("tttt")));
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QCOMPARE(shownEntry(s.w, 0), QStringLiteral("heron "));

        s.w.Roomlist->setCurrentRow(21, QItemSelectionModel::NoUpdate);
        s.w.Picture1->show();
        QTest::mouseClick(s.w.Label5[6], Qt::LeftButton);
        const QByteArray whois = "/whois " + QByteArray(60000, 't') + " \r\n";
        QVERIFY(s.gw.waitForBytes(whois.size()));
        QCOMPARE(s.gw.received(), whois);
        s.w.Picture1->hide();
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // ---- a crowd ----------------------------------------------------------------

    void channelOf40000()
    {
        Session s;
        QVERIFY(s.open());
        const int n = 40000;
        QByteArray crowd = "1007 CHANNEL \"Crowd\"\r\n";
        for (int i = 0; i < n; ++i)
            crowd += "1001 USER u" + QByteArray::number(i).rightJustified(5, '0') + " 0010 [CHAT]\r\n";
        // Some leave: the first hundred, a few at the end, one twice and one
        // who was never there.
        QByteArray leaves;
        for (int i = 0; i < 100; ++i)
            leaves += "1003 LEAVE  u" + QByteArray::number(i).rightJustified(5, '0') + " 0010\r\n";
        leaves += "1003 LEAVE  u39999 0010\r\n1003 LEAVE  u39998 0010\r\n1003 LEAVE  u00050 0010\r\n"
                  "1003 LEAVE  nobody 0010\r\n";
        s.gw.send(crowd + leaves + "1018 INFO \"crowd done\"\r\n");
        QVERIFY(s.settle(OpeningLines + 1 + n + 104 + 1, 60000));
        QCOMPARE(s.w.Roomlist->count(), n - 102);
        QCOMPARE(s.w.Channel->text(), QStringLiteral("Crowd  (39898)"));
        QCOMPARE(s.w.Roomlist->item(0)->text(), QStringLiteral("u00100 "));
        QCOMPARE(s.w.Roomlist->item(n - 103)->text(), QStringLiteral("u39997 "));
        QCOMPARE(s.w.Text2->text(), s.earlier + QStringLiteral("crowd done\r\n"));
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // Long lines and a list of ever new names, scaled down: what the
    // transcript and the list hold stays under their ceilings, the entries
    // kept are whole, and the newest line is still the last one shown.
    void aFloodStaysUnderTheCeilings()
    {
        Session s;
        QVERIFY(s.open());
        const qsizetype budget = 200000;
        s.w.Text2->setCharBudget(budget);
        s.w.Roomlist->findChild<RosterIndex *>()->setCeiling(300, 20000);
        QByteArray flood;
        for (int i = 0; i < 2000; ++i)
            flood += "1005 TALK heron 0010 \"" + QByteArray(4000, 'a' + i % 26) + "\"\r\n";
        for (int i = 0; i < 2000; ++i)
            flood += "1001 USER " + QByteArray::number(i).rightJustified(100, 'n') + " 0010 [CHAT]\r\n";
        s.gw.send(flood + "1005 TALK owl 0010 \"last\"\r\n");
        QVERIFY(s.settle(OpeningLines + 4001, 60000));
        QVERIFY(s.w.Text2->textLength() <= budget + 2 * s.w.Text2->lineCount());
        QVERIFY(s.w.Text2->text().endsWith(QStringLiteral("owl : last\r\n")));
        qsizetype stored = 0;
        for (int i = 0; i < s.w.Roomlist->count(); ++i)
            stored += s.w.Roomlist->item(i)->text().size();
        QVERIFY(s.w.Roomlist->count() <= 300 && stored <= 20000);
        QCOMPARE(s.w.Roomlist->item(s.w.Roomlist->count() - 1)->text().size(), 101);
        VERIFY_STILL_FINE(s.w, QString());
    }

    // ---- markup ---------------------------------------------------------------

    void markupShownLiterally_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::newRow("bold") << QStringLiteral("<b>bold</b>");
        // Single quotes: an info or whisper text ends at its second double quote.
        QTest::newRow("image") << QStringLiteral("<img src='file:///etc/passwd'>");
        QTest::newRow("link") << QStringLiteral("<a href='http://x'>click</a>");
        QTest::newRow("entities") << QStringLiteral("&lt;&amp;&#65;&nbsp;");
        QTest::newRow("document") << QStringLiteral("<html><body><h1>big</h1><table><tr><td>x");
        QTest::newRow("rich text marker") << QStringLiteral("<qt><font color=red size=7>red</font>");
        QTest::newRow("comment and style") << QStringLiteral("<!-- x --><style>*{color:red}</style>");
    }
    void markupShownLiterally()
    {
        QFETCH(QString, markup);
        Session s;
        QVERIFY(s.open());
        const QByteArray m = wire::toWire(markup);
        // A name may not hold a blank before a flag; the rest may.
        s.gw.send("1007 CHANNEL \"" + m + "\"\r\n1002 JOIN " + m + " 0010 [CHAT]\r\n1005 TALK " + m
                  + " 0010 \"" + m + "\"\r\n1023 EMOTE " + m + " 0010 \"" + m + "\"\r\n1018 INFO \"" + m + "\"\r\n");
        QVERIFY(s.settle(OpeningLines + 5));
        QCOMPARE(s.w.Text2->text(), s.earlier + markup + QStringLiteral(" : ") + markup + QStringLiteral("\r\n")
                     + markup + QStringLiteral("  ") + markup + QStringLiteral("\r\n") + markup + QStringLiteral("\r\n"));
        // Nothing in the transcript became a link, an image or a format.
        QTextDocument *doc = s.w.Text2->document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                QVERIFY(!f.isAnchor() && !f.isImageFormat() && f.fontWeight() == doc->defaultFont().weight());
            }
        QCOMPARE(s.w.Channel->textFormat(), Qt::PlainText);
        QCOMPARE(wholeBanner(s.w), markup + QStringLiteral("  (1)"));
        QCOMPARE(s.w.Roomlist->item(0)->text(), markup + u' ');
        QCOMPARE(shownEntry(s.w, 0), markup + u' ');
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // ---- sending after the server has gone --------------------------------------

    void sendAfterTheServerClosed_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("Enter in the input line") << QStringLiteral("enter");
        QTest::newRow("Enter in the transcript") << QStringLiteral("enter2");
        QTest::newRow("Ban Player") << QStringLiteral("label0");
        QTest::newRow("Unban Player") << QStringLiteral("label1");
        QTest::newRow("Rejoin") << QStringLiteral("label2");
        QTest::newRow("Stats") << QStringLiteral("label5");
        QTest::newRow("Who is") << QStringLiteral("label6");
        QTest::newRow("Whisper button") << QStringLiteral("whisper");
        QTest::newRow("Enter with users selected") << QStringLiteral("selected");
    }
    void sendAfterTheServerClosed()
    {
        QFETCH(QString, action);
        Session s;
        QVERIFY(s.open());
        s.gw.closeClient();
        QTRY_VERIFY(s.w.Winsock1->state() != Winsock::Connected);

        const QString typed = QStringLiteral("lag again");
        s.w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        QTest::keyClicks(s.w.Text1, typed);
        s.w.Picture1->show();
        if (action == u"enter") {
            QTest::keyClick(s.w.Text1, Qt::Key_Return);
        } else if (action == u"enter2") {
            QTest::keyClick(s.w.Text2, Qt::Key_Return);
        } else if (action == u"selected") {
            s.w.Roomlist->item(0)->setSelected(true);
            s.w.Roomlist->item(1)->setSelected(true);
            QTest::keyClick(s.w.Text1, Qt::Key_Return);
        } else if (action == u"whisper") {
            QTest::mouseClick(s.w.cmdWhisper, Qt::LeftButton);
        } else {
            QTest::mouseClick(s.w.Label5[size_t(action.back().digitValue())], Qt::LeftButton);
        }
        s.w.Picture1->hide();
        QCOMPARE(s.w.Text1->text(), typed);
        QCOMPARE(s.w.Text1->toolTip(), outbound::NothingSent);
        QCOMPARE(s.w.Text2->text(), s.earlier); // no echo of what did not go out
        QCOMPARE(s.sent.count(), 0);
        VERIFY_STILL_FINE(s.w, s.earlier);
    }

    // ---- Quit under a flood (last: Quit ends every event loop for good) ---------

    void quitDuringAFlood()
    {
        Session s;
        QVERIFY(s.open());
        qint64 n = 0;
        Streamer flood(s.gw.client(), [&n] {
            QByteArray chunk;
            for (int i = 0; i < 2000 && n < 5'000'000; ++i, ++n)
                chunk += "1005 TALK heron 0010 \"flood line " + QByteArray::number(n) + "\"\r\n";
            return chunk;
        });
        QVERIFY(QTest::qWaitFor([&] { return s.cut > OpeningLines + 5000; }, 20000));
        QVERIFY(!flood.done());

        QEventLoop loop;
        QElapsedTimer clock;
        qint64 clickedAt = -1;
        bool timedOut = false;
        QTimer::singleShot(0, &s.w, [&] {
            clickedAt = clock.elapsed();
            QTest::mouseClick(s.w.Quit, Qt::LeftButton);
        });
        QTimer::singleShot(10000, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        clock.start();
        const int code = loop.exec();
        const qint64 endedAt = clock.elapsed();
        const bool floodStillComing = !flood.done();
        flood.stop();
        QVERIFY(!timedOut);
        QCOMPARE(code, 0);
        QVERIFY(clickedAt >= 0);
        // The flood was still coming in when the loop ended.
        QVERIFY(floodStillComing);
        QVERIFY2(endedAt - clickedAt < 2000, qPrintable(QString::number(endedAt - clickedAt)));
        QCOMPARE(s.sent.count(), 0);
        QTest::qWait(50);
        QCOMPARE(s.gw.received(), QByteArray());
        sampleMemory();
        QVERIFY2(peakKiB - baselineKiB <= GrowthAllowanceKiB, qPrintable(QString::number(peakKiB - baselineKiB)));
    }
};

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
