#pragma once

#include <QList>
#include <QtGlobal>

// How fast a gateway takes lines before it refuses them, and when the next
// line may go without breaking that.
namespace outbound {

// The flood rule of the usual servers. A line costs one unit per
// bytesPerUnit bytes begun (an empty line one unit too); a line that brings
// the units of the last window to refuseAt is refused, and still counts; a
// line longer than longestLine bytes is refused whole. Bytes are those on
// the wire, without the line end.
struct PaceRule
{
    int refuseAt = 5;
    qint64 windowMs = 5000;
    int bytesPerUnit = 40;
    int longestLine = 200;
    bool operator==(const PaceRule &) const = default;
};

// Our own allowance on top of the window. Servers stamp lines with a
// whole-second clock, so a window may reach up to a second further back than
// it says; and a line held up on the way arrives nearer the next one than it
// was sent. One second for the clock and half a second for the network.
inline constexpr qint64 DefaultMarginMs = 1500;

struct SentLine
{
    qint64 atMs;
    qsizetype bytes;
    bool operator==(const SentLine &) const = default;
};

int unitsOf(qsizetype bytes, const PaceRule &rule);

// The most units that may be in the window at once: one short of a refusal.
int unitBudget(const PaceRule &rule);

// The longest line the rule lets through: the budget's bytes, and never more
// than longestLine.
qsizetype longestPassing(const PaceRule &rule);

// The earliest time, nowMs or later, at which a line of `bytes` may go after
// the lines `sent` (oldest first), so that no window of windowMs + marginMs
// holds more than the budget. A line that costs more than the budget can
// never pass; it waits for an empty window, so at least it breaks nothing
// else. A line stamped later than nowMs (a clock that went back) counts as
// sent at nowMs, so nothing waits longer than one window from now.
qint64 nextSendAt(const QList<SentLine> &sent, qsizetype bytes, qint64 nowMs, const PaceRule &rule,
                  qint64 marginMs);

} // namespace outbound
