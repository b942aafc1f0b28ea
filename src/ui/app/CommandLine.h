#pragma once

#include "app/Settings.h"
#include "protocol/GatewayAddress.h"

#include <QString>
#include <QStringList>

#include <optional>

// The program's own options, read before Qt sees the command line: --help,
// --version and a malformed value must answer without a display, and
// everything else (Qt's -platform, -style and the like) is left for Qt.
namespace app {

struct CommandLine
{
    enum Action { Run, Help, Version, Fail };
    Action action = Run;
    std::optional<wire::GatewayAddress> server; // --server
    std::optional<Pace> pace;                   // --pace
    std::optional<bool> reconnect;              // --reconnect
    QString error; // for Fail: one line, without the line end
};

// args as main() gets them, the program's name first; --server without a
// port takes defaultPort.
CommandLine readCommandLine(const QStringList &args, qint32 defaultPort);

QString helpText();

// A value the user wrote, for a message: as given, but on one line and
// with no control character that a terminal would act on.
QString shownOnOneLine(QString text);

} // namespace app
