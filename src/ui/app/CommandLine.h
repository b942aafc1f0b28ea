#pragma once

#include <QString>
#include <QStringList>

// The program's own options, read before Qt sees the command line: --help,
// --version and a malformed value must answer without a display, and
// everything else (Qt's -platform, -style and the like) is left for Qt.
namespace app {

struct CommandLine
{
    enum Action { Run, Help, Version, Fail };
    Action action = Run;
    QString host;  // for Run: the gateway to connect to
    qint32 port = 0;
    bool pace = true; // false after --pace off: every line at once, uncut
    QString error; // for Fail: one line, without the line end
};

// args as main() gets them, the program's name first. Without --server the
// gateway is the given default; --server without a port takes defaultPort.
CommandLine readCommandLine(const QStringList &args, const QString &defaultHost, qint32 defaultPort);

QString helpText();

} // namespace app
