// A server that sends too much, on purpose, into a shown window over
// loopback, in four phases:
//   1. 120,000 talk lines of 4,000 characters;
//   2. 500,000 1001 USER lines with distinct 250-character names;
//   3. 1,000 lines just under the 64 KiB line cap;
//   4. one ordinary talk line, which must be the last line shown.
// Reports the peak resident memory after each phase, how long each took and
// the longest event-loop stall. The server is this program again, started
// with --serve, so its buffers are not counted as the window's.
//
// Usage: bench_hostile [--scale F]   (F < 1 sends that share of each phase)
#include "BenchCommon.h"

#include "app/frmBot.h"
#include "inbound/Receiver.h"
#include "inbound/TranscriptBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <array>
#include <cstdio>

namespace {

struct Phase
{
    const char *what;
    qint64 lines;
};

std::array<Phase, 4> phases(double scale)
{
    auto n = [scale](qint64 full) { return qMax<qint64>(1, qint64(double(full) * scale)); };
    return {{{"120,000 talk lines of 4,000 characters", n(120000)},
             {"500,000 USER lines, distinct 250-character names", n(500000)},
             {"1,000 lines just under the 64 KiB cap", n(1000)},
             {"one ordinary talk line", 1}}};
}

const QByteArray LastLine = "1005 TALK owl 0010 \"the last line\"\r\n";

QByteArray line(int phase, qint64 i)
{
    switch (phase) {
    case 0: return "1005 TALK heron 0010 \"" + QByteArray(4000, char('a' + i % 26)) + "\"\r\n";
    case 1: return "1001 USER " + QByteArray::number(i).rightJustified(250, 'n') + " 0010 [CHAT]\r\n";
    case 2: return "1005 TALK heron 0010 \"" + QByteArray(65500, char('A' + i % 26)) + "\"\r\n";
    default: return LastLine;
    }
}

// The server side: writes the phases as fast as the client reads them,
// holding no more than a few megabytes itself.
int serve(double scale)
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 1;
    std::printf("listening on %d\n", int(server.serverPort()));
    std::fflush(stdout);
    if (!server.waitForNewConnection(30000))
        return 1;
    QTcpSocket *socket = server.nextPendingConnection();
    const auto all = phases(scale);
    int phase = 0;
    qint64 i = 0;
    while (phase < int(all.size()) && socket->state() == QAbstractSocket::ConnectedState) {
        QByteArray chunk;
        while (chunk.size() < (1 << 20) && phase < int(all.size())) {
            chunk += line(phase, i);
            if (++i == all[size_t(phase)].lines) {
                ++phase;
                i = 0;
            }
        }
        socket->write(chunk);
        while (socket->bytesToWrite() > (4 << 20) && socket->waitForBytesWritten(30000)) {
        }
    }
    while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(30000)) {
    }
    socket->waitForDisconnected(600000);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::Harness<QApplication> harness(argc, argv, {
        {QStringLiteral("scale"), QStringLiteral("Share of each phase to send (default 1)."), QStringLiteral("F"),
         QStringLiteral("1")},
        {QStringLiteral("serve"), QStringLiteral("Be the server (used by the benchmark itself).")},
    });
    const QCommandLineParser &parser = harness.parser;
    const double scale = qBound(0.0001, parser.value(QStringLiteral("scale")).toDouble(), 1.0);
    if (parser.isSet(QStringLiteral("serve")))
        return serve(scale);
    const char *B = "Hostile";

    QProcess server;
    server.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--serve"), QStringLiteral("--scale"), QString::number(scale)});
    if (!server.waitForReadyRead(10000)) {
        bench::say(QStringLiteral("bench_hostile: the server did not start"));
        return 1;
    }
    const quint16 port = quint16(QString::fromLatin1(server.readLine()).section(u' ', 2).trimmed().toUInt());

    frmBot w(QStringLiteral("127.0.0.1"), port);
    w.show();
    const auto all = phases(scale);
    std::array<qint64, 4> ends{};
    qint64 total = 0;
    for (size_t k = 0; k < all.size(); ++k)
        ends[k] = total += all[k].lines;
    std::array<double, 4> peak{}, seconds{}, stall{};
    bench::StallProbe stalls;
    qint64 cut = 0;
    size_t phase = 0;
    QElapsedTimer clock;
    qint64 phaseStart = 0;
    QObject::connect(&w, &frmBot::lineCut, &w, [&] {
        if (cut++ == 0) {
            clock.start();
            phaseStart = 0;
        }
        if (phase < all.size() && cut == ends[phase]) {
            peak[phase] = bench::peakRssMB();
            seconds[phase] = double(clock.nsecsElapsed() - phaseStart) / 1e9;
            phaseStart = clock.nsecsElapsed();
            stalls.stop();
            stall[phase] = stalls.longestMs();
            stalls.start();
            ++phase;
        }
    });
    stalls.start();
    w.Winsock1->Connect();
    const bool complete = bench::runUntil([&] {
        return cut >= total && !w.receiver().busy() && w.Text2->linesWaiting() == 0;
    }, 900000, 5);
    stalls.stop();
    const double settledPeak = bench::peakRssMB();
    const bool lastShown = w.Text2->text().endsWith(QStringLiteral("owl : the last line\r\n"));
    w.Winsock1->Close();
    server.waitForFinished(10000);
    if (!complete) {
        bench::say(QStringLiteral("bench_hostile: the window got %1 of %2 lines").arg(cut).arg(total));
        return 1;
    }
    for (size_t k = 0; k < all.size(); ++k)
        bench::row(B, QStringLiteral("peak RSS after phase %1 (%2), %3 s, longest stall %4 ms").arg(k + 1).arg(QLatin1StringView(all[k].what)).arg(seconds[k], 0, 'f', 2).arg(stall[k], 0, 'f', 1),
                   QStringLiteral("%1 MB").arg(bench::number(peak[k])), QStringLiteral("< 250 MB"), peak[k] < 250.0);
    bench::row(B, QStringLiteral("peak RSS, transcript settled"), QStringLiteral("%1 MB").arg(bench::number(settledPeak)),
               QStringLiteral("< 250 MB"), settledPeak < 250.0);
    bench::row(B, QStringLiteral("list entries kept, transcript lines"),
               QStringLiteral("%1, %2").arg(w.Roomlist->count()).arg(w.Text2->lineCount()));
    bench::row(B, QStringLiteral("last line shown is the ordinary one"), lastShown ? QStringLiteral("yes") : QStringLiteral("no"),
               QStringLiteral("yes"), lastShown);
    bench::row(B, QStringLiteral("longest event-loop stall, after the last phase"),
               QStringLiteral("%1 ms (UI thread CPU %2 ms)").arg(stalls.longestMs(), 0, 'f', 1).arg(stalls.longestCpuMs(), 0, 'f', 1));
    return lastShown && settledPeak < 250.0 ? 0 : 1;
}
