#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <time.h>

// Helpers shared by the benchmarks: result rows for scripts/bench, memory and
// event-loop probes.
namespace bench {

// The set-up every window benchmark starts with: the offscreen platform
// unless the caller chose another, the application, its options parsed.
// Application is a parameter so this header needs no widgets for the
// benchmarks that have none.
struct OffscreenUnlessChosen
{
    OffscreenUnlessChosen()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

template <typename Application>
struct Harness : OffscreenUnlessChosen
{
    Harness(int &argc, char **argv, const QList<QCommandLineOption> &options)
        : app(argc, argv)
    {
        parser.addHelpOption();
        parser.addOptions(options);
        parser.process(app);
    }
    Application app;
    QCommandLineParser parser;
};

// Peak resident memory of this process, in MB (10^6 bytes).
inline double peakRssMB()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0 / 1e6; // ru_maxrss is in KiB on Linux
}

// One row of the summary table; scripts/bench collects the rows from every
// benchmark. An empty goal means the figure is reported, not judged.
inline void row(const char *bench, const QString &measure, const QString &value, const QString &goal = {},
                int verdict = -1)
{
    const char *v = verdict < 0 ? "" : (verdict ? "met" : "MISSED");
    std::printf("RESULT|%s|%s|%s|%s|%s\n", bench, qPrintable(measure), qPrintable(value), qPrintable(goal), v);
    std::fflush(stdout);
}

inline QString number(double v, int decimals = 0)
{
    return QString::number(v, 'f', decimals);
}

inline void say(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

// Runs the event loop until done() holds (checked whenever `check` fires)
// or the time is up. No sleeping: a wait must not add stalls of its own.
inline bool runUntil(const std::function<bool()> &done, int timeoutMs, int pollMs = 1)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

// Times the scheduler took the CPU from this thread while it could run.
inline qint64 threadPreemptions()
{
    struct rusage usage = {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}

// CPU time this thread has used, in ns.
inline qint64 threadCpuNs()
{
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Measures how late the event loop gets round to a 1 ms timer: the longest
// gap between two ticks is the longest time nothing else could run. On a
// shared machine part of a gap can be time the thread was not scheduled at
// all, so the thread's own CPU time over the same gap is kept as well: that
// part is the program's.
class StallProbe : public QObject
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
    }
    void start()
    {
        m_longestNs = 0;
        m_over16 = 0;
        m_ticks = 0;
        m_longestCpuNs = 0;
        m_preemptions = threadPreemptions();
        m_clock.start();
        m_last = 0;
        m_lastCpu = threadCpuNs();
        m_timer.start();
    }
    void stop()
    {
        tick();
        m_timer.stop();
        m_preemptions = threadPreemptions() - m_preemptions;
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }
    double longestCpuMs() const { return double(m_longestCpuNs) / 1e6; }
    qint64 preemptions() const { return m_preemptions; }
    qint64 gapsOver16Ms() const { return m_over16; }
    qint64 ticks() const { return m_ticks; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 gap = now - m_last;
        m_last = now;
        const qint64 cpu = threadCpuNs();
        m_longestCpuNs = std::max(m_longestCpuNs, cpu - m_lastCpu);
        m_lastCpu = cpu;
        ++m_ticks;
        m_longestNs = std::max(m_longestNs, gap);
        if (gap > 16'000'000)
            ++m_over16;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestCpuNs = 0;
    qint64 m_preemptions = 0;
    qint64 m_over16 = 0;
    qint64 m_ticks = 0;
};

} // namespace bench

