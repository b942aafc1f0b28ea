// Micro benchmarks of the line cutter, the reading of lines as text and the
// flag-field locator, in MB/s and
// lines/s. Besides Google Benchmark's own output, each result is printed as a
// row for scripts/bench.
#include "BenchCommon.h"

#include "inbound/FindFlags.h"
#include "inbound/LineCutter.h"
#include "protocol/WireText.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include <random>

#include <unistd.h>

namespace {

// Received text like a busy channel's: the flood's mix of codes, names of
// 3 to 15 characters, texts of 10 to 120.
QString sampleText(int lines)
{
    std::mt19937 rng(7);
    const char *const words[] = {"the", "game", "lobby", "anyone", "gg", "rematch", "ok", "thanks!", "caf\xe9", "lol",
                                 "tonight", "server", "\"quoted\"", "ranked", "team", ":)", "brb", "hello", "again"};
    const char *const flags[] = {"0010", "0000", "0012", "0002"};
    QString out;
    for (int i = 0; i < lines; ++i) {
        QString name;
        const int len = 3 + int(rng() % 13);
        for (int c = 0; c < len; ++c)
            name += QChar(char16_t(u'a' + rng() % 26));
        QString text;
        const int target = 10 + int(rng() % 111);
        while (text.size() < target) {
            if (!text.isEmpty())
                text += QLatin1Char(' ');
            text += QString::fromLatin1(words[rng() % std::size(words)]);
        }
        text.truncate(120);
        const QString flag = QString::fromLatin1(flags[rng() % std::size(flags)]);
        const unsigned kind = rng() % 100;
        if (kind < 70)
            out += QStringLiteral("1005 TALK ") + name + u' ' + flag + QStringLiteral(" \"") + text + QStringLiteral("\"\r\n");
        else if (kind < 80)
            out += QStringLiteral("1023 EMOTE ") + name + u' ' + flag + QStringLiteral(" \"") + text + QStringLiteral("\"\r\n");
        else if (kind < 90)
            out += QStringLiteral("1018 INFO \"") + text + QStringLiteral("\"\r\n");
        else if (kind < 95)
            out += QStringLiteral("1002 JOIN ") + name + u' ' + flag + QStringLiteral(" [CHAT]\r\n");
        else
            out += QStringLiteral("1003 LEAVE ") + name + u' ' + flag + QStringLiteral("\r\n");
    }
    return out;
}

const QString &sample()
{
    static const QString text = sampleText(20000);
    return text;
}

const QByteArray &sampleBytes()
{
    static const QByteArray bytes = wire::toWire(sample());
    return bytes;
}

// The bytes as the socket hands them over: pieces of a given size.
void cutterInPieces(benchmark::State &state)
{
    const QByteArray &text = sampleBytes();
    const qsizetype piece = state.range(0);
    inbound::LineCutter cutter;
    qint64 lines = 0;
    for (auto _ : state) {
        for (qsizetype at = 0; at < text.size(); at += piece) {
            cutter.feed(QByteArrayView(text).sliced(at, qMin(piece, text.size() - at)));
            QByteArrayView line;
            while (cutter.next(line)) {
                benchmark::DoNotOptimize(line.data());
                ++lines;
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["lines/s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(cutterInPieces)->Arg(1460)->Arg(64 * 1024)->Arg(1 << 20);

// Each cut line read as text into one reused buffer, as the receiver does:
// the flood's ASCII (0), and the same lines with every tenth one carrying
// Cyrillic UTF-8 and a stray 8-bit byte (1).
void decodeLines(benchmark::State &state)
{
    QByteArray text = sampleBytes();
    if (state.range(0)) {
        QByteArray mixed;
        int n = 0;
        for (const QByteArray &l : text.split('\n')) {
            mixed += l;
            if (++n % 10 == 0 && l.endsWith('\r')) {
                mixed.chop(2); // before the closing quote and the CR
                mixed += " \xd0\xbf\xd1\x80\xd0\xb8 caf\xe9\"\r";
            }
            mixed += '\n';
        }
        text = mixed;
    }
    const QByteArrayList lines = text.split('\n');
    QString buffer;
    for (auto _ : state) {
        for (const QByteArray &l : lines) {
            wire::fromWireInto(l, buffer);
            benchmark::DoNotOptimize(buffer.constData());
        }
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["lines/s"] = benchmark::Counter(double(state.iterations() * lines.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(decodeLines)->Arg(0)->Arg(1);

void findFlags(benchmark::State &state)
{
    QList<QStringView> lines;
    qint64 chars = 0;
    const QString &text = sample();
    for (QStringView l : QStringView(text).tokenize(u'\n', Qt::SkipEmptyParts)) {
        lines << l;
        chars += l.size() + 1;
    }
    qint64 found = 0;
    for (auto _ : state) {
        for (const QStringView l : std::as_const(lines))
            found += inbound::FindFlags(l);
    }
    benchmark::DoNotOptimize(found);
    state.SetBytesProcessed(state.iterations() * chars);
    state.counters["lines/s"] = benchmark::Counter(double(state.iterations() * lines.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(findFlags);

// Console output as usual, and one summary row per benchmark.
class RowReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal: the rows are read back from a pipe.
    RowReporter()
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const auto bytes = run.counters.find("bytes_per_second");
            const auto lines = run.counters.find("lines/s");
            if (bytes == run.counters.end() || lines == run.counters.end())
                continue;
            m_rows.push_back({QString::fromStdString(run.benchmark_name()),
                              QStringLiteral("%1 MB/s, %2 M lines/s")
                                  .arg(double(bytes->second) / 1e6, 0, 'f', 0)
                                  .arg(double(lines->second) / 1e6, 0, 'f', 1)});
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::fflush(stdout);
        for (const auto &[name, value] : m_rows)
            bench::row("Micro", name, value);
    }

private:
    std::vector<std::pair<QString, QString>> m_rows;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RowReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
