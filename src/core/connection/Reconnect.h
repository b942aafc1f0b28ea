#pragma once

#include <QtGlobal>

// What the connection does next after a login: stay, try again after a
// pause, rejoin the user's channel, or give up. A pure decision from the
// events and times so far, as the pacing of sent lines is; the window only
// runs the timer and the sockets. Times are a monotonic clock in ms.
namespace connection {

struct ReconnectRule
{
    // A first try within a few seconds: long enough for a server's restart
    // to have begun listening again, short enough that a user who looks up
    // sees it back. Then each pause doubles, so a server that stays down is
    // asked about once every few minutes, not hammered.
    qint64 firstMs = 2000;
    qint64 capMs = 4 * 60 * 1000;
    // Each pause gets up to a quarter more, at random, so that the clients
    // a server dropped together do not all come back in the same second.
    int spreadQuarters = 1;
    // A session that lasted this long was a good one: the next loss starts
    // the pauses over.
    qint64 settledMs = 5 * 60 * 1000;
    // A refusal on a reconnect is most often the server still counting the
    // old session, which it does until its own writes time out: ask seldom,
    // and for about that long.
    qint64 refusedFirstMs = 60 * 1000;
    qint64 refusedCapMs = 4 * 60 * 1000;
    qint64 refusedForMs = 15 * 60 * 1000;
    // A server that closes before the login completes this many times in a
    // row says no as plainly as one that answers "Login failed.".
    int earlyClosesAsRefusal = 3;
};

enum class Phase {
    Off,      // no session to keep: before the server answers a login, or given up
    Trying,   // a try: a connection is being made and logged in again
    Online,   // the server has answered the login
    Waiting,  // lost; the next try is due at tryAt
};

struct Session
{
    Phase phase = Phase::Off;
    bool armed = false;      // the user logged in; the server has not answered yet
    bool ownLogin = false;   // the session is the user's own login, not a try
    bool rejoining = false;  // a try got in; the user's channel is still to reach
    bool rejoinAsked = false;
    int pauses = 0;          // since the last settled session
    int refusals = 0;        // in a row, on tries
    int earlyCloses = 0;     // in a row
    qint64 onlineSince = 0;
    qint64 firstRefusalAt = -1;
    qint64 tryAt = 0;
    bool operator==(const Session &) const = default;
};

enum class Event {
    LoggedIn,   // the user logged in from the dialog
    TryStarted, // the window opened a new connection and sent the login
    Answered,   // the server sent its first coded line on this connection
    InChannel,  // the server put the user in a channel (with chosen: the user's own)
    Lost,       // an open connection ended, or went silent
    Unreachable, // the connection could not be made: nothing listens, no route
    Refused,    // the server refused the login ("Login failed.")
    Stopped,    // Connect was pressed, or reconnecting is off
};

enum class Next {
    Nothing,
    Wait,    // close what is left of the connection; try again at tryAt
    Rejoin,  // ask for the user's channel, through the paced queue
    Back,    // in the user's channel again: what waited may go
    Elsewhere, // the rejoin did not get there: what waited must not go here
    GiveUp,  // the tries stop; tell the user once
};

// random is any 32-bit value; it spreads the pause. chosen matters for
// InChannel only.
Next decide(Session &s, Event e, qint64 nowMs, quint32 random, bool chosen = false,
            const ReconnectRule &rule = {});

} // namespace connection
