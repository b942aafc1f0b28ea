// The line cutter against a plain model of the stream: however the bytes are
// split into arrivals, the same lines must come out, and the cutter must
// never hold more than one over-long run. A stream may end part-way and a
// new one begin, as when the user connects again.
#include "inbound/LineCutter.h"
#include <QByteArrayList>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

using inbound::LineCutter;

namespace {
QByteArrayList model(QByteArrayView stream)
{
    QByteArrayList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        if (stream[i] != '\r')
            continue;
        if (i - start <= LineCutter::MaxLineLength)
            lines << stream.sliced(start, i - start + 1).toByteArray();
        start = i + 1;
        if (start < stream.size() && stream[start] == '\n')
            ++start;
        i = start - 1;
    }
    return lines;
}

// Small inputs grow into big ones: a run of one repeated byte stretches a
// line past the cap without libFuzzer having to find 64 KiB of input.
QByteArray expand(FuzzedDataProvider &fdp)
{
    QByteArray out;
    while (fdp.remaining_bytes() > 0 && out.size() < 150000) {
        const auto op = fdp.ConsumeIntegralInRange<int>(0, 7);
        if (op == 0) {
            const auto len = fdp.ConsumeIntegralInRange<int>(1, 70000);
            out.append(len, char(fdp.ConsumeIntegral<unsigned char>()));
        } else {
            out.append(QByteArray::fromStdString(fdp.ConsumeRandomLengthString(64)));
        }
    }
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const auto seed = fdp.ConsumeIntegral<uint32_t>();
    const QByteArray stream = expand(fdp);

    // Split points come from the seed so one input covers one split.
    LineCutter cutter;
    QByteArrayList got;
    QByteArrayView line;
    uint32_t r = seed | 1u;
    auto feedAll = [&](QByteArrayView part) {
        for (qsizetype at = 0; at < part.size();) {
            r = r * 1664525u + 1013904223u;
            const qsizetype len = qMin<qsizetype>(part.size() - at, 1 + (r >> 8) % (r & 1 ? 9 : 90000));
            cutter.feed(part.sliced(at, len));
            at += len;
            // Sometimes read lines between arrivals, sometimes let them pile up.
            if ((r >> 4) & 1)
                while (cutter.next(line))
                    got << line.toByteArray();
            // The end of a stream may give its last CR the LF it lacked.
            if (cutter.pending() > stream.size() + 1)
                std::abort();
        }
    };

    // Half of the inputs end the connection part-way and start a new one:
    // each stream is cut on its own, and nothing of the first stream's
    // unfinished line reaches the second.
    QByteArrayList expected;
    if (seed >> 31) {
        const qsizetype boundary = qsizetype(seed % uint32_t(stream.size() + 1));
        const QByteArrayView first = QByteArrayView(stream).first(boundary);
        const QByteArrayView second = QByteArrayView(stream).sliced(boundary);
        feedAll(first);
        cutter.dropPartial();
        feedAll(second);
        expected = model(first) + model(second);
    } else {
        feedAll(stream);
        expected = model(stream);
    }
    while (cutter.next(line))
        got << line.toByteArray();

    if (got != expected)
        std::abort();
    return 0;
}
