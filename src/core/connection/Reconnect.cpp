#include "connection/Reconnect.h"

#include <algorithm>

namespace connection {

namespace {

// A clock that went back counts as no time having passed.
qint64 since(qint64 now, qint64 then)
{
    return now > then ? now - then : 0;
}

qint64 doubled(qint64 first, int times, qint64 cap)
{
    qint64 pause = first;
    for (int i = 0; i < times && pause < cap; ++i)
        pause *= 2;
    return std::min(pause, cap);
}

Next waitFor(Session &s, qint64 pause, qint64 now, quint32 random, const ReconnectRule &rule)
{
    const qint64 extra = pause * rule.spreadQuarters / 4;
    s.phase = Phase::Waiting;
    s.tryAt = now + pause + qint64((quint64(extra) * random) >> 32);
    return Next::Wait;
}

Next giveUp(Session &s)
{
    s = Session{};
    return Next::GiveUp;
}

Next refused(Session &s, qint64 now, quint32 random, const ReconnectRule &rule)
{
    if (s.refusals++ == 0)
        s.firstRefusalAt = now;
    const qint64 pause = doubled(rule.refusedFirstMs, s.refusals - 1, rule.refusedCapMs);
    if (since(now + pause, s.firstRefusalAt) > rule.refusedForMs)
        return giveUp(s);
    return waitFor(s, pause, now, random, rule);
}

Next again(Session &s, qint64 now, quint32 random, const ReconnectRule &rule)
{
    return waitFor(s, doubled(rule.firstMs, s.pauses++, rule.capMs), now, random, rule);
}

} // namespace

Next decide(Session &s, Event e, qint64 now, quint32 random, bool chosen, const ReconnectRule &rule)
{
    switch (e) {
    case Event::LoggedIn:
        // Until the server answers, a loss or a refusal is the user's to
        // see and mend, as it always was: there is no session to keep yet.
        s = Session{};
        s.armed = true;
        return Next::Nothing;
    case Event::TryStarted:
        if (s.phase != Phase::Waiting)
            return Next::Nothing;
        s.phase = Phase::Trying;
        s.ownLogin = false;
        s.rejoining = s.rejoinAsked = false;
        return Next::Nothing;
    case Event::Answered:
        if (s.phase != Phase::Trying && !(s.phase == Phase::Off && s.armed))
            return Next::Nothing;
        s.ownLogin = s.phase == Phase::Off;
        s.armed = false;
        s.phase = Phase::Online;
        s.onlineSince = now;
        s.rejoining = !s.ownLogin;
        s.earlyCloses = s.refusals = 0;
        s.firstRefusalAt = -1;
        return Next::Nothing;
    case Event::InChannel:
        if (s.phase != Phase::Online || !s.rejoining)
            return Next::Nothing;
        if (chosen) {
            s.rejoining = false;
            return Next::Back;
        }
        if (!s.rejoinAsked) {
            s.rejoinAsked = true;
            return Next::Rejoin;
        }
        s.rejoining = false;
        return Next::Elsewhere;
    case Event::Refused:
        // The user's own login answered no: only the user can mend that.
        if (s.phase == Phase::Off) {
            s = Session{};
            return Next::Nothing;
        }
        if (s.phase != Phase::Trying)
            return Next::Nothing;
        return refused(s, now, random, rule);
    case Event::Unreachable:
    case Event::Lost:
        switch (s.phase) {
        case Phase::Off:
        case Phase::Waiting:
            return Next::Nothing;
        case Phase::Online:
            if (since(now, s.onlineSince) >= rule.settledMs)
                s.pauses = 0;
            s.rejoining = false;
            return again(s, now, random, rule);
        case Phase::Trying:
            if (e == Event::Lost && ++s.earlyCloses >= rule.earlyClosesAsRefusal) {
                s.earlyCloses = 0;
                return refused(s, now, random, rule);
            }
            return again(s, now, random, rule);
        }
        return Next::Nothing;
    case Event::Stopped:
        s = Session{};
        return Next::Nothing;
    }
    return Next::Nothing;
}

} // namespace connection
