#pragma once

#include "app/CommandLine.h"
#include "outbound/Pacing.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// What the program starts with: each setting from the command line, else
// from the settings file, else as built in.
struct Startup
{
    CommandLine::Action action = CommandLine::Run;
    QString host;
    qint32 port = 0;
    std::optional<outbound::PaceRule> pace; // none: every line at once, uncut
    bool reconnect = true;
    bool timestamps = false;
    bool log = false;
    QStringList errors; // one line each, for stderr
    QStringList boxes;  // of them, what a user who started from the menu must see too
};

// args as main() gets them. The settings file is settingsPath().
Startup startup(const QStringList &args, const QString &builtInHost, qint32 builtInPort);

} // namespace app
