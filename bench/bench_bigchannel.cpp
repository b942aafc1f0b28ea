// Big channel: 30,000 members are listed (1001), then all of them leave
// (1003) in shuffled order. Fed through the receive path of a shown frmBot,
// time slices and all.
//
// Usage: bench_bigchannel [--members N] [--seed S]
#include "BenchCommon.h"

#include "app/frmBot.h"
#include "inbound/Receiver.h"
#include "protocol/WireText.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSet>

#include <algorithm>
#include <random>

namespace {

const char *const Stems[] = {"Ash", "Bramble", "Cinder", "Dusk", "Elm", "Fern", "Gale", "Hollow", "Ivy", "Juniper",
                             "Kite", "Lumen", "Moss", "North", "Oak", "Pike", "Quill", "Rook", "Sable", "Thorn"};
const char *const Tails[] = {"wood", "fall", "runner", "song", "shade", "mark", "ling", "fox", "wing", "brook"};
const char *const Flags[] = {"0010", "0000", "0012", "0002"};

// Distinct names the way people pick them: a few stems, tails and numbers.
QStringList makeNames(int count, std::mt19937 &rng)
{
    QStringList names;
    QSet<QString> taken;
    while (names.size() < count) {
        QString name = QString::fromLatin1(Stems[rng() % std::size(Stems)]);
        switch (rng() % 3) {
        case 0: name += QString::fromLatin1(Tails[rng() % std::size(Tails)]); break;
        case 1: name = name.toLower() + QString::number(rng() % 10000); break;
        default: name += QLatin1Char('_') + QString::fromLatin1(Tails[rng() % std::size(Tails)]) + QString::number(rng() % 1000); break;
        }
        if (!taken.contains(name)) {
            taken.insert(name);
            names << name;
        }
    }
    return names;
}

struct Half
{
    double seconds = 0;
    double longestStallMs = 0;
    double longestCpuMs = 0;
};

Half feed(frmBot &w, const QString &chunk, int timeoutMs)
{
    bench::StallProbe stalls;
    QElapsedTimer clock;
    stalls.start();
    clock.start();
    w.receiver().feed(wire::toWire(chunk));
    (void)bench::runUntil([&] { return !w.receiver().busy(); }, timeoutMs);
    Half h;
    h.seconds = double(clock.nsecsElapsed()) / 1e9;
    stalls.stop();
    h.longestStallMs = stalls.longestMs();
    h.longestCpuMs = stalls.longestCpuMs();
    return h;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::Harness<QApplication> harness(argc, argv, {
        {QStringLiteral("members"), QStringLiteral("Members in the channel (default 30000)."), QStringLiteral("N"),
         QStringLiteral("30000")},
        {QStringLiteral("seed"), QStringLiteral("Seed for names and order (default 1)."), QStringLiteral("S"),
         QStringLiteral("1")},
    });
    const QCommandLineParser &parser = harness.parser;
    const int n = qBound(1, parser.value(QStringLiteral("members")).toInt(), 1'000'000);
    std::mt19937 rng(parser.value(QStringLiteral("seed")).toUInt());
    const char *B = "Big channel";

    const QStringList names = makeNames(n, rng);
    QStringList flags;
    QString joins;
    for (const QString &name : names) {
        flags << QString::fromLatin1(Flags[rng() % std::size(Flags)]);
        joins += QStringLiteral("1001 USER ") + name + QLatin1Char(' ') + flags.last() + QStringLiteral(" [CHAT]\r\n");
    }
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), rng);
    QString leaves;
    for (const int i : order)
        leaves += QStringLiteral("1003 LEAVE ") + names.at(i) + QLatin1Char(' ') + flags.at(i) + QStringLiteral("\r\n");

    frmBot w(QStringLiteral("127.0.0.1"), 1);
    w.show();
    const QString channel = QStringLiteral("Big Hall");
    w.receiver().feed(wire::toWire(QStringLiteral("1007 CHANNEL \"") + channel + QStringLiteral("\"\r\n")));
    (void)bench::runUntil([&] { return !w.receiver().busy(); }, 10000);

    const Half in = feed(w, joins, 600000);
    const int listed = w.Roomlist->count();
    const bool firstOk = listed == n && w.Roomlist->item(n - 1)->text() == names.last() + QLatin1Char(' ')
        && w.Channel->text() == channel + QStringLiteral("  (%1)").arg(n);
    const Half out = feed(w, leaves, 600000);
    const QString banner = w.Channel->text();
    const bool empty = w.Roomlist->count() == 0;

    bench::say(QStringLiteral("%1 members: listed in %2 s, gone in %3 s")
                   .arg(n).arg(in.seconds, 0, 'f', 3).arg(out.seconds, 0, 'f', 3));
    bench::row(B, QStringLiteral("%1 x 1001 (listed)").arg(n),
               QStringLiteral("%1 s, longest stall %2 ms (%3 ms CPU)").arg(in.seconds, 0, 'f', 3).arg(in.longestStallMs, 0, 'f', 1).arg(in.longestCpuMs, 0, 'f', 1),
               QStringLiteral("< 0.5 s"), in.seconds < 0.5 && firstOk);
    bench::row(B, QStringLiteral("%1 x 1003 (shuffled leaves)").arg(n),
               QStringLiteral("%1 s, longest stall %2 ms (%3 ms CPU)").arg(out.seconds, 0, 'f', 3).arg(out.longestStallMs, 0, 'f', 1).arg(out.longestCpuMs, 0, 'f', 1),
               QStringLiteral("< 0.5 s"), out.seconds < 0.5);
    bench::row(B, QStringLiteral("list empty, banner reads"),
               QStringLiteral("%1, \"%2\"").arg(empty ? QStringLiteral("empty") : QString::number(w.Roomlist->count()), banner),
               QStringLiteral("empty, \"%1  (0)\"").arg(channel), empty && banner == channel + QStringLiteral("  (0)"));
    return 0;
}
