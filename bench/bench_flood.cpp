// Flood, end to end: quillon-gateway floods N lines over loopback into a real
// frmBot on the offscreen platform, after a bare socket has taken the same
// kind of flood from the same gateway (the transport limit).
//
// Usage: bench_flood [--lines N] [--seed S] [--gateway PATH] [--timeout SECONDS]
#include "BenchCommon.h"
#include "GatewayProcess.h"
#include "InputProbe.h"

#include "app/frmBot.h"
#include "inbound/ChatLog.h"
#include "connection/Globals.h"
#include "inbound/Fields.h"
#include "inbound/Receiver.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/WireText.h"
#include "protocol/MessageCodes.h"
#include "protocol/OutboundLines.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHash>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <array>
#include <optional>
#include <cstring>

#include <unistd.h>

#ifndef QUILLON_GATEWAY_EXE
#define QUILLON_GATEWAY_EXE "quillon-gateway"
#endif

namespace {

const QByteArray WelcomeMarker = "1018 INFO \"Welcome to the Quillon demo gateway";
const QString Mix = QStringLiteral("talk=70,emote=10,info=10,join=5,leave=5");
// About nine in ten of them are shown: all fit in the transcript.
constexpr qint64 KeptLines = 100000;

QByteArray loginBytes(const QString &name)
{
    return wire::toWire(wire::handshakePreamble()) + wire::toWire(wire::handshakeName(name))
        + wire::toWire(wire::handshakePassword(u"bench"));
}

// The transport limit: a bare socket that counts line ends. It also records
// the flood once, so that the window and the limit get the same bytes.
class PlainReader
{
public:
    explicit PlainReader(qint64 expected, QIODevice *record = nullptr)
        : m_expected(expected), m_record(record)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { read(); });
    }
    bool open(quint16 port, bool login, int timeoutMs)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!m_socket.waitForConnected(timeoutMs))
            return false;
        if (login)
            m_socket.write(loginBytes(QStringLiteral("benchraw")));
        return true;
    }
    bool done() const { return m_lines >= m_expected; }
    qint64 lines() const { return m_lines; }
    double seconds() const { return double(m_endNs) / 1e9; }

private:
    void read()
    {
        if (!m_clock.isValid())
            m_clock.start();
        for (;;) {
            const qint64 n = m_socket.read(m_buf.data(), qint64(m_buf.size()));
            if (n <= 0)
                break;
            if (m_record)
                m_record->write(m_buf.data(), n);
            const char *p = m_buf.data();
            const char *end = p + n;
            if (!m_inFlood) {
                // The flood starts right after the welcome line.
                m_head.append(p, n);
                const qsizetype w = m_head.indexOf(WelcomeMarker);
                const qsizetype nl = w < 0 ? -1 : m_head.indexOf('\n', w);
                if (nl < 0)
                    continue;
                m_inFlood = true;
                m_lines += m_head.count('\n') - m_head.left(nl + 1).count('\n');
                m_head.clear();
                continue;
            }
            while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) != nullptr) {
                ++m_lines;
                ++p;
            }
        }
        if (done() && m_endNs == 0)
            m_endNs = m_clock.nsecsElapsed();
    }

    QTcpSocket m_socket;
    std::array<char, 256 * 1024> m_buf;
    QByteArray m_head;
    bool m_inFlood = false;
    qint64 m_expected;
    QIODevice *m_record;
    qint64 m_lines = 0;
    QElapsedTimer m_clock;
    qint64 m_endNs = 0;
};

// What the window received, counted as cheaply as possible while it runs.
struct Tally
{
    qint64 all = 0;          // lines cut since login
    qint64 flood = 0;        // lines cut after the welcome line
    qint64 transcript = 0;   // lines that add a transcript line
    std::array<qint64, 5> kinds{}; // talk, emote, info, join, leave, within the flood
    bool inFlood = false;
    QStringList tail;        // the flood's last lines, for the content check
};

// The transcript line a received line should have produced, if any.
std::optional<QString> shown(QStringView line)
{
    switch (wire::classify(line)) {
    case wire::Inbound::Talk: return inbound::talkLine(line);
    case wire::Inbound::Emote: return inbound::emoteLine(line);
    case wire::Inbound::Whisper: return inbound::whisperLine(line);
    case wire::Inbound::Info: return inbound::infoLine(line);
    default: return std::nullopt;
    }
}

// Records a flood of n lines from a generating gateway into file.
bool record(const QString &exe, qint64 n, quint32 seed, QFile &file, QList<QHash<QString, qint64>> *sums, int timeoutMs)
{
    bench::GatewayProcess generator;
    const QStringList flood{QStringLiteral("--flood"), QString::number(n), QStringLiteral("--mix"), Mix,
                            QStringLiteral("--seed"), QString::number(seed)};
    PlainReader capture(n, &file);
    const bool ok = generator.start(exe, flood, 0, 10000) && capture.open(generator.port(), true, 10000)
        && bench::runUntil([&] { return capture.done(); }, timeoutMs)
        && bench::runUntil([&] { return !generator.summaries().isEmpty(); }, 10000, 5);
    if (ok && sums)
        *sums = generator.summaries();
    generator.stop();
    file.flush();
    return ok;
}

// A flood the transcript keeps whole: every line it shows stays, so every
// line held back during the flood goes into the document before it settles.
// Seconds from the first line to the settled transcript, and of them after
// the last line; nothing when the window did not get there or lost a line.
// Beside them, what Qt alone takes to put the lines that were held back into
// a text document: the same text inserted at once into a bare document, with
// no view, no layout and no undo, which no way of filling the box can beat.
struct KeptRun
{
    double seconds;
    double afterLast;
    double bareInsert;
    qint64 held;
};
std::optional<KeptRun> keptFlood(const QString &exe, qint64 n, int niceness, int timeoutMs)
{
    QTemporaryFile recording;
    if (!recording.open() || !record(exe, n, 2, recording, nullptr, timeoutMs) || !recording.seek(0))
        return {};
    const qint64 lines = recording.readAll().count('\n'); // the login's few lines too
    bench::GatewayProcess gateway;
    const QStringList replay{QStringLiteral("--replay"), recording.fileName(), QStringLiteral("--chunks"),
                             QStringLiteral("1048576"), QStringLiteral("--delay-ms"), QStringLiteral("0")};
    if (!gateway.start(exe, replay, niceness, 10000))
        return {};
    frmBot w(QStringLiteral("127.0.0.1"), gateway.port());
    w.show();
    qint64 cut = 0, shown = 0;
    QElapsedTimer clock;
    QObject::connect(&w, &frmBot::lineCut, &w, [&](QStringView line) {
        if (cut++ == 0)
            clock.start();
        const wire::Inbound kind = wire::classify(line);
        shown += kind == wire::Inbound::Talk || kind == wire::Inbound::Emote || kind == wire::Inbound::Info;
    });
    w.Winsock1->Connect();
    qint64 appliedNs = 0;
    const bool settled = bench::runUntil([&] {
        if (appliedNs == 0 && cut >= lines && !w.receiver().busy())
            appliedNs = clock.nsecsElapsed();
        return appliedNs && w.Text2->linesWaiting() == 0;
    }, timeoutMs);
    const qint64 settledNs = clock.nsecsElapsed();
    const bool whole = settled && w.Text2->lineCount() == shown && shown <= TranscriptBox::Scrollback;
    gateway.stop();
    if (!whole)
        return {};
    // All but the newest lines were held back; they are what went in late.
    const qint64 held = qMax<qint64>(0, shown - TranscriptBox::FloodBatch);
    const QString all = w.Text2->text();
    qsizetype end = 0;
    for (qint64 i = 0; i < held; ++i)
        end = all.indexOf(QLatin1StringView("\r\n"), end) + 2;
    const QString heldText = all.left(end);
    QTextDocument bare;
    bare.setUndoRedoEnabled(false);
    QElapsedTimer inserting;
    inserting.start();
    QTextCursor(&bare).insertText(heldText);
    const qint64 bareNs = inserting.nsecsElapsed();
    return KeptRun{double(settledNs) / 1e9, double(settledNs - appliedNs) / 1e9, double(bareNs) / 1e9, held};
}

} // namespace

int main(int argc, char *argv[])
{
    bench::Harness<QApplication> harness(argc, argv, {
        {QStringLiteral("lines"), QStringLiteral("Lines in the flood (default 1000000)."), QStringLiteral("N"),
         QStringLiteral("1000000")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the flood (default 1)."), QStringLiteral("S"),
         QStringLiteral("1")},
        {QStringLiteral("gateway"), QStringLiteral("The quillon-gateway executable."), QStringLiteral("PATH"),
         QStringLiteral(QUILLON_GATEWAY_EXE)},
        {QStringLiteral("timeout"), QStringLiteral("Give up after this many seconds per phase (default 600)."),
         QStringLiteral("S"), QStringLiteral("600")},
        {QStringLiteral("log"), QStringLiteral("Keep the transcript log, in a folder of its own (on or off; default off)."),
         QStringLiteral("ON"), QStringLiteral("off")},
        {QStringLiteral("gateway-nice"),
         QStringLiteral("Niceness of the gateway process (default 10; 0 lets it compete with the client)."),
         QStringLiteral("N"), QStringLiteral("10")},
    });
    const QCommandLineParser &parser = harness.parser;
    const qint64 n = std::clamp<qint64>(parser.value(QStringLiteral("lines")).toLongLong(), 1, 1000000000);
    const quint32 seed = parser.value(QStringLiteral("seed")).toUInt();
    const int timeoutMs = qBound(1, parser.value(QStringLiteral("timeout")).toInt(), 3600) * 1000;
    const int niceness = qBound(0, parser.value(QStringLiteral("gateway-nice")).toInt(), 19);
    const char *B = "Flood";

    // 1. The flood is generated once and recorded; the gateway's summary of
    // it is what every line is checked against.
    QTemporaryFile recording;
    if (!recording.open()) {
        bench::say(QStringLiteral("bench_flood: no room for the recording"));
        return 1;
    }
    QList<QHash<QString, qint64>> sums;
    if (!record(parser.value(QStringLiteral("gateway")), n, seed, recording, &sums, timeoutMs)) {
        bench::say(QStringLiteral("bench_flood: the flood could not be recorded"));
        return 1;
    }
    bench::say(QStringLiteral("flood of %1 lines recorded: %2 MB").arg(n).arg(double(recording.size()) / 1e6, 0, 'f', 1));

    // 2. The same bytes, replayed as fast as the connection takes them.
    bench::GatewayProcess gateway;
    const QStringList replay{QStringLiteral("--replay"), recording.fileName(), QStringLiteral("--chunks"),
                             QStringLiteral("1048576"), QStringLiteral("--delay-ms"), QStringLiteral("0")};
    if (!gateway.start(parser.value(QStringLiteral("gateway")), replay, niceness, 10000)) {
        bench::say(QStringLiteral("bench_flood: the gateway did not start"));
        return 1;
    }
    bench::say(QStringLiteral("replay from 127.0.0.1:%1 (gateway at nice %2)").arg(gateway.port()).arg(niceness));

    // 3. The plain reader takes the replay first, alone on the machine's cores.
    PlainReader reader(n);
    if (!reader.open(gateway.port(), false, 10000) || !bench::runUntil([&] { return reader.done(); }, timeoutMs)) {
        bench::say(QStringLiteral("bench_flood: the plain reader got %1 of %2 lines").arg(reader.lines()).arg(n));
        gateway.stop();
        return 1;
    }
    const double plainRate = double(n) / reader.seconds();
    bench::say(QStringLiteral("plain reader: %1 lines in %2 s").arg(n).arg(reader.seconds(), 0, 'f', 3));

    // 4. The window, on the same bytes.
    frmBot w(QStringLiteral("127.0.0.1"), gateway.port());
    QTemporaryDir logHome;
    const bool logging = parser.value(QStringLiteral("log")) == u"on";
    w.setLog(logging, logHome.path());
    w.show();
    Tally tally;
    QElapsedTimer clock;
    qint64 endNs = 0;
    bool finished = false;
    bench::StallProbe stalls;
    bench::InputProbe input(w.Text1);
    const qint64 tailFrom = n - 64;

    QObject::connect(&w, &frmBot::lineCut, &w, [&](QStringView line) {
        if (tally.all++ == 0) {
            clock.start();
            stalls.start();
            input.start();
        }
        const wire::Inbound kind = wire::classify(line);
        switch (kind) {
        case wire::Inbound::Talk:
        case wire::Inbound::Emote:
        case wire::Inbound::Info:
        case wire::Inbound::Whisper:
            ++tally.transcript;
            break;
        default:
            break;
        }
        if (!tally.inFlood) {
            tally.inFlood = line.startsWith(QLatin1StringView(WelcomeMarker));
            return;
        }
        switch (kind) {
        case wire::Inbound::Talk: ++tally.kinds[0]; break;
        case wire::Inbound::Emote: ++tally.kinds[1]; break;
        case wire::Inbound::Info: ++tally.kinds[2]; break;
        case wire::Inbound::Join: ++tally.kinds[3]; break;
        case wire::Inbound::Leave: ++tally.kinds[4]; break;
        default: break;
        }
        if (tally.flood++ >= tailFrom)
            tally.tail << line.toString();
    });

    w.Winsock1->Connect();
    if (!bench::runUntil([&] { return w.Winsock1->state() == Winsock::Connected; }, 10000)) {
        bench::say(QStringLiteral("bench_flood: the window did not connect"));
        gateway.stop();
        return 1;
    }
    // Applied once the last line is dispatched and the receiver is idle.
    const bool complete = bench::runUntil([&] {
        if (!finished && tally.flood >= n && !w.receiver().busy()) {
            endNs = clock.nsecsElapsed();
            finished = true;
        }
        return finished;
    }, timeoutMs);
    stalls.stop();
    input.stop();
    struct Responsiveness
    {
        double stallMs, stallCpuMs, keyMs, clickMs;
        qint64 over16, ticks, preempted, keys, clicks;
    };
    const auto responsiveness = [&] {
        return Responsiveness{stalls.longestMs(), stalls.longestCpuMs(), input.longestKeyMs(), input.longestClickMs(),
                              stalls.gapsOver16Ms(), stalls.ticks(), stalls.preemptions(), input.keys(), input.clicks()};
    };
    const Responsiveness flooding = responsiveness();
    // Settled once every line is in the document: nothing queued or held
    // back, so lineCount() is final and the caret is at the end. The probes
    // measure this phase on its own.
    stalls.start();
    input.start();
    const qint64 expectedLines = qMin<qint64>(tally.transcript, TranscriptBox::Scrollback);
    const bool settled = complete && bench::runUntil([&] { return w.Text2->linesWaiting() == 0; }, timeoutMs);
    const qint64 settledNs = clock.nsecsElapsed();
    stalls.stop();
    input.stop();
    const Responsiveness settling = responsiveness();
    if (!complete) {
        bench::say(QStringLiteral("bench_flood: the window got %1 of %2 lines").arg(tally.flood).arg(n));
        gateway.stop();
        return 1;
    }
    const double seconds = double(endNs) / 1e9;
    const double rate = double(n) / seconds;
    const double rss = bench::peakRssMB();

    // Every line accounted for.
    const QHash<QString, qint64> mine = sums.isEmpty() ? QHash<QString, qint64>() : sums.last();
    const std::array<const char *, 5> kindNames{"talk", "emote", "info", "join", "leave"};
    bool kindsMatch = mine.value(QStringLiteral("lines")) == n;
    QString kindText;
    for (size_t k = 0; k < kindNames.size(); ++k) {
        const qint64 want = mine.value(QString::fromLatin1(kindNames[k]), -1);
        kindsMatch = kindsMatch && want == tally.kinds[k];
        kindText += QStringLiteral(" %1=%2/%3").arg(QLatin1StringView(kindNames[k])).arg(tally.kinds[k]).arg(want);
    }
    const qint64 lineCount = w.Text2->lineCount();
    const qint64 members = mine.value(QStringLiteral("members"), -1);
    const qint64 listSize = w.Roomlist->count();

    // The newest transcript lines are the flood's last text lines, in order.
    QStringList wanted;
    for (const QString &l : std::as_const(tally.tail)) {
        if (auto t = shown(l))
            wanted << inbound::shownText(*t, inbound::MaxLineShown);
    }
    bool tailMatches = !wanted.isEmpty();
    QTextBlock b = w.Text2->document()->lastBlock().previous();
    for (qsizetype i = wanted.size() - 1; i >= 0 && tailMatches; --i, b = b.previous())
        tailMatches = b.isValid() && b.text() == wanted.at(i);
    const bool caretAtEnd = w.Text2->selStart() == w.Text2->textLength();

    gateway.stop();

    bench::say(QStringLiteral("window: %1 lines in %2 s;%3").arg(n).arg(seconds, 0, 'f', 3).arg(kindText));
    bench::row(B, QStringLiteral("lines (N), gateway niceness"), QStringLiteral("%1, %2").arg(n).arg(niceness));
    bench::row(B, QStringLiteral("throughput, first byte to last line applied"),
               QStringLiteral("%1 lines/s (%2 s)").arg(rate, 0, 'f', 0).arg(seconds, 0, 'f', 2),
               QStringLiteral(">= 200000 lines/s"), rate >= 200000);
    const double settledRate = double(n) / (double(settledNs) / 1e9);
    bench::row(B, QStringLiteral("throughput, first byte to transcript settled"),
               settled ? QStringLiteral("%1 lines/s (%2 s, %3 s after the last line)").arg(settledRate, 0, 'f', 0).arg(double(settledNs) / 1e9, 0, 'f', 2).arg(double(settledNs - endNs) / 1e9, 0, 'f', 2)
                       : QStringLiteral("not within the timeout"),
               n >= 1000000 ? QStringLiteral(">= 800000 lines/s") : QStringLiteral(">= 500000 lines/s"),
               settled && settledRate >= (n >= 1000000 ? 800000 : 500000));
    bench::row(B, QStringLiteral("plain reader on the same bytes (transport limit)"),
               QStringLiteral("%1 lines/s (%2 s)").arg(plainRate, 0, 'f', 0).arg(reader.seconds(), 0, 'f', 2));
    bench::row(B, QStringLiteral("ratio to plain reader, applied / settled"),
               QStringLiteral("%1 / %2").arg(bench::number(rate / plainRate, 2), bench::number(settledRate / plainRate, 2)),
               QStringLiteral(">= 0.5 settled"), settledRate / plainRate >= 0.5);
    bench::row(B, QStringLiteral("lines dispatched by kind = gateway's counts"), kindsMatch ? QStringLiteral("yes") : QStringLiteral("no"),
               QStringLiteral("all"), kindsMatch);
    bench::row(B, QStringLiteral("transcript lineCount() = min(expected, 100000)"),
               QStringLiteral("%1 = min(%2, 100000)").arg(lineCount).arg(tally.transcript), QStringLiteral("equal"),
               lineCount == expectedLines);
    bench::row(B, QStringLiteral("newest transcript lines = flood's last lines"), tailMatches && caretAtEnd ? QStringLiteral("yes") : QStringLiteral("no"),
               QStringLiteral("yes"), tailMatches && caretAtEnd);
    bench::row(B, QStringLiteral("list size = gateway's members="), QStringLiteral("%1 = %2").arg(listSize).arg(members),
               QStringLiteral("equal"), listSize == members);
    if (logging) {
        // Every line the transcript was given, the ones it dropped since too.
        w.log()->flush();
        QFile log(w.log()->path());
        const qint64 logged = log.open(QIODevice::ReadOnly) ? log.readAll().count('\n') : -1;
        bench::row(B, QStringLiteral("log: lines written = transcript lines"),
                   QStringLiteral("%1 = %2 (%3 MB)").arg(logged).arg(tally.transcript).arg(double(log.size()) / 1e6, 0, 'f', 1),
                   QStringLiteral("equal"), logged == tally.transcript);
    }
    for (const auto &[phase, r] : {std::pair{"flood", flooding}, std::pair{"settle", settling}}) {
        bench::row(B, QStringLiteral("%1: longest event-loop stall (1 ms probe)").arg(QLatin1StringView(phase)),
                   QStringLiteral("%1 ms (%2 gaps > 16 ms in %3 ticks)").arg(r.stallMs, 0, 'f', 1).arg(r.over16).arg(r.ticks),
                   QStringLiteral("<= 16 ms"), r.stallMs <= 16.0);
        bench::row(B, QStringLiteral("%1:   of it CPU time of the UI thread (longest)").arg(QLatin1StringView(phase)),
                   QStringLiteral("%1 ms (thread preempted %2 times)").arg(r.stallCpuMs, 0, 'f', 1).arg(r.preempted),
                   QStringLiteral("<= 16 ms"), r.stallCpuMs <= 16.0);
        bench::row(B, QStringLiteral("%1: key press / click handled after").arg(QLatin1StringView(phase)),
                   QStringLiteral("key %1 ms, click %2 ms (%3 keys, %4 clicks)").arg(r.keyMs, 0, 'f', 1).arg(r.clickMs, 0, 'f', 1).arg(r.keys).arg(r.clicks),
                   QStringLiteral("<= 16 ms"), qMax(r.keyMs, r.clickMs) <= 16.0);
    }
    bench::row(B, QStringLiteral("peak resident memory (ru_maxrss)"), QStringLiteral("%1 MB").arg(rss, 0, 'f', 0),
               QStringLiteral("< 250 MB"), rss < 250.0);

    // 5. A flood the transcript keeps whole, after the peak is taken.
    const qint64 keptLines = qMin<qint64>(n, KeptLines);
    const auto kept = keptFlood(parser.value(QStringLiteral("gateway")), keptLines, niceness, timeoutMs);
    bench::row(B, QStringLiteral("%1 lines, every line kept: first line to transcript settled").arg(keptLines),
               kept ? QStringLiteral("%1 lines/s (%2 s, %3 s after the last line)")
                          .arg(double(keptLines) / kept->seconds, 0, 'f', 0).arg(kept->seconds, 0, 'f', 3).arg(kept->afterLast, 0, 'f', 3)
                    : QStringLiteral("lines lost or not settled"),
               QStringLiteral("every line"), kept.has_value());
    if (kept)
        bench::row(B, QStringLiteral("%1 lines, every line kept: the %2 held lines put into a bare QTextDocument at once")
                          .arg(keptLines).arg(kept->held),
                   QStringLiteral("%1 s (%2 us a line)").arg(kept->bareInsert, 0, 'f', 3).arg(kept->bareInsert * 1e6 / double(qMax<qint64>(1, kept->held)), 0, 'f', 2));
    return 0;
}
