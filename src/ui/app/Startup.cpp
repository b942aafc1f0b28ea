#include "app/Startup.h"

namespace app {

Startup startup(const QStringList &args, const QString &builtInHost, qint32 builtInPort)
{
    Startup out;
    const CommandLine command = readCommandLine(args, builtInPort);
    out.action = command.action;
    if (command.action == CommandLine::Fail)
        out.errors << command.error;
    if (command.action != CommandLine::Run)
        return out;

    const QString path = settingsPath();
    const FileSettings file = readSettings(path, builtInPort);
    const auto problem = [&](const QString &text) {
        const QString line = QStringLiteral("quillon: %1: %2").arg(path, text);
        out.errors << line;
        out.boxes << line;
    };
    if (!file.unreadable.isEmpty())
        problem(QStringLiteral("%1; Quillon goes on as built in").arg(file.unreadable));
    for (const FileSettings::Refused &r : file.refused) {
        // Never another host in its place without a word: the user learns
        // which one is used instead.
        QString instead;
        if (r.key == u"server")
            instead = command.server ? QStringLiteral("the gateway --server names is used")
                                     : QStringLiteral("connecting to the built-in gateway %1:%2 instead").arg(builtInHost).arg(builtInPort);
        else if (r.key == u"pace")
            instead = command.pace ? QStringLiteral("--pace is used")
                                   : QStringLiteral("pacing by the built-in rule %1 instead").arg(paceText(Pace{}));
        else if (r.key == u"reconnect")
            instead = command.reconnect ? QStringLiteral("--reconnect is used")
                                        : QStringLiteral("reconnecting by itself, as built in, instead");
        else
            instead = QStringLiteral("off, as built in, instead");
        // The file can spell a control character as an escape.
        problem(QStringLiteral("bad %1 value \"%2\": %3; %4").arg(r.key, shownOnOneLine(r.value), r.why, instead));
    }
    for (const QString &key : file.unknownKeys)
        out.errors << QStringLiteral("quillon: %1: unknown key \"%2\" ignored").arg(path, shownOnOneLine(key));

    const wire::GatewayAddress server =
        command.server.value_or(file.server.value_or(wire::GatewayAddress{builtInHost, builtInPort}));
    out.host = server.host;
    out.port = server.port;
    const Pace pace = command.pace.value_or(file.pace.value_or(Pace{}));
    if (pace.on)
        out.pace = pace.rule;
    out.reconnect = command.reconnect.value_or(file.reconnect.value_or(true));
    out.timestamps = file.timestamps.value_or(false);
    out.log = file.log.value_or(false);
    return out;
}

} // namespace app
