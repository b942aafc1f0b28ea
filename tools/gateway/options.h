#pragma once

#include "flood.h"

#include <QByteArray>
#include <QList>

#include <optional>

struct FloodOptions
{
    qint64 lines = 0;
    FloodMix mix;
    quint32 seed = 1;
};

struct ReplayOptions
{
    QByteArray data;
    QList<int> chunks{1, 7, 100};
    int delayMs = 20;
};

struct GatewayOptions
{
    quint16 port = 6112;
    bool bots = true;
    // The simulated members' second in ms.
    qint64 botTickMs = 1000;
    // The flood guard's second in ms; none: no guard.
    std::optional<qint64> guardTickMs = 1000;
    // How often each logged-on client gets the keep-alive line, as real
    // servers send it.
    qint64 nullEveryMs = 120000;
    // For tests of a dead link: this long after its login a client hears
    // nothing more and is no longer read, though its connection stays open.
    std::optional<qint64> silentAfterMs;
    std::optional<FloodOptions> flood;
    std::optional<ReplayOptions> replay;
};
