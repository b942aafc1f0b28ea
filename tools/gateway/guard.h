#pragma once

#include <QElapsedTimer>
#include <QList>

// The flood guard of real gateways, with their defaults. Each line a client
// types costs a unit per 40 bytes begun (an empty line one unit). A line is
// refused when, counted with it, the units of the last 5 seconds reach 5;
// a refused line still counts, and at 10 the client is thrown out. A line
// over 200 bytes is refused whole and not counted. The clock counts whole
// seconds, as servers' clocks do; tests may make its second shorter.
class FloodGuard
{
public:
    enum class Verdict { Pass, Refuse, TooLong, Disconnect };

    static constexpr int RefuseAt = 5;
    static constexpr int DisconnectAt = 10;
    static constexpr qint64 WindowTicks = 5;
    static constexpr int BytesPerUnit = 40;
    static constexpr qsizetype LongestLine = 200;

    explicit FloodGuard(qint64 tickMs = 1000);

    // The verdict on a line of this many bytes, without its line end.
    Verdict check(qsizetype bytes);

private:
    struct Stamp
    {
        qint64 tick;
        int units;
    };

    QElapsedTimer m_clock;
    qint64 m_tickMs;
    QList<Stamp> m_recent; // oldest first
    int m_units = 0;       // of m_recent
};
