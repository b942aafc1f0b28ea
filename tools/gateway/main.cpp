#include "gateway.h"
#include "options.h"
#include "wire.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written from the signal handler; the event loop reads the other end.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}

bool installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

bool toNumber(const QString &text, qint64 min, qint64 max, qint64 *out)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
}

std::optional<GatewayOptions> parseOptions(const QCommandLineParser &parser, QString *error)
{
    GatewayOptions options;
    qint64 number = 0;

    if (!toNumber(parser.value(QStringLiteral("port")), 0, 65535, &number)) {
        *error = QStringLiteral("--port needs a number from 0 to 65535");
        return std::nullopt;
    }
    options.port = quint16(number);
    options.bots = !parser.isSet(QStringLiteral("quiet"));
    if (!toNumber(parser.value(QStringLiteral("bot-tick")), 1, 60000, &number)) {
        *error = QStringLiteral("--bot-tick needs a number of ms from 1 to 60000");
        return std::nullopt;
    }
    options.botTickMs = number;
    if (!toNumber(parser.value(QStringLiteral("guard-tick")), 1, 60000, &number)) {
        *error = QStringLiteral("--guard-tick needs a number of ms from 1 to 60000");
        return std::nullopt;
    }
    options.guardTickMs = number;
    if (parser.isSet(QStringLiteral("no-guard")))
        options.guardTickMs.reset();
    if (!toNumber(parser.value(QStringLiteral("null-every")), 50, 3'600'000, &number)) {
        *error = QStringLiteral("--null-every needs a number of ms from 50 to 3600000");
        return std::nullopt;
    }
    options.nullEveryMs = number;
    if (parser.isSet(QStringLiteral("silent-after"))) {
        if (!toNumber(parser.value(QStringLiteral("silent-after")), 0, 86'400'000, &number)) {
            *error = QStringLiteral("--silent-after needs a number of ms from 0 to 86400000");
            return std::nullopt;
        }
        options.silentAfterMs = number;
    }

    // Every value is checked, used or not: a typo in one is no less a
    // typo for being next to the wrong mode.
    FloodOptions flood;
    if (parser.isSet(QStringLiteral("flood"))
        && !toNumber(parser.value(QStringLiteral("flood")), 0, 1'000'000'000, &flood.lines)) {
        *error = QStringLiteral("--flood needs a line count from 0 to 1000000000");
        return std::nullopt;
    }
    const std::optional<FloodMix> mix = FloodMix::parse(parser.value(QStringLiteral("mix")), error);
    if (!mix)
        return std::nullopt;
    flood.mix = *mix;
    if (!toNumber(parser.value(QStringLiteral("seed")), 0, 0xffffffffLL, &number)) {
        *error = QStringLiteral("--seed needs a number from 0 to 4294967295");
        return std::nullopt;
    }
    flood.seed = quint32(number);

    ReplayOptions replay;
    replay.chunks.clear();
    const QStringList sizes = parser.value(QStringLiteral("chunks")).split(QLatin1Char(','));
    for (const QString &size : sizes) {
        if (!toNumber(size.trimmed(), 1, 16 * 1024 * 1024, &number)) {
            *error = QStringLiteral("--chunks needs sizes from 1 to 16777216, like 1,7,100");
            return std::nullopt;
        }
        replay.chunks.append(int(number));
    }
    if (!toNumber(parser.value(QStringLiteral("delay-ms")), 0, 60000, &number)) {
        *error = QStringLiteral("--delay-ms needs a number from 0 to 60000");
        return std::nullopt;
    }
    replay.delayMs = int(number);

    if (parser.isSet(QStringLiteral("flood")))
        options.flood = flood;
    if (parser.isSet(QStringLiteral("replay"))) {
        if (options.flood) {
            *error = QStringLiteral("--replay and --flood cannot be combined");
            return std::nullopt;
        }
        QFile file(parser.value(QStringLiteral("replay")));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return std::nullopt;
        }
        replay.data = file.readAll();
        options.replay = replay;
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-gateway"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Local demo chat gateway for Quillon. Listens on 127.0.0.1 only.\n"
        "Guards against flooding as real servers do: a line costs a unit per 40 bytes begun;\n"
        "a line that brings a client's units of the last 5 seconds to 5 is refused, and at 10\n"
        "the client is disconnected; a line over 200 bytes is refused."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("TCP port (default 6112); 0 picks a free one."), QStringLiteral("N"),
         QStringLiteral("6112")},
        {{QStringLiteral("quiet"), QStringLiteral("no-bots")},
         QStringLiteral("No simulated members in the default channel.")},
        {QStringLiteral("bot-tick"), QStringLiteral("Length in ms of the simulated members' second (default 1000)."),
         QStringLiteral("MS"), QStringLiteral("1000")},
        {QStringLiteral("no-guard"), QStringLiteral("No flood guard: take lines however fast they come.")},
        {QStringLiteral("guard-tick"), QStringLiteral("Length in ms of the flood guard's second (default 1000)."),
         QStringLiteral("MS"), QStringLiteral("1000")},
        {QStringLiteral("null-every"),
         QStringLiteral("Send each logged-on client the keep-alive line 2000 NULL every MS ms (default 120000)."),
         QStringLiteral("MS"), QStringLiteral("120000")},
        {QStringLiteral("silent-after"),
         QStringLiteral("Stop writing to and reading from each client MS ms after its login; its connection stays open."),
         QStringLiteral("MS")},
        {QStringLiteral("flood"), QStringLiteral("Send each client N lines right after its login."),
         QStringLiteral("N")},
        {QStringLiteral("mix"), QStringLiteral("Weights of the flood's line kinds (default talk=70,emote=10,info=10,join=5,leave=5)."),
         QStringLiteral("talk=..,emote=..,info=..,join=..,leave=.."),
         QStringLiteral("talk=70,emote=10,info=10,join=5,leave=5")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the flood's generator (default 1)."), QStringLiteral("S"),
         QStringLiteral("1")},
        {QStringLiteral("replay"),
         QStringLiteral("Send this file's bytes to every client instead of chatting."),
         QStringLiteral("FILE")},
        {QStringLiteral("chunks"), QStringLiteral("Replay chunk sizes, used in turn (default 1,7,100)."),
         QStringLiteral("a,b,.."), QStringLiteral("1,7,100")},
        {QStringLiteral("delay-ms"), QStringLiteral("Pause in ms between replay chunks (default 20)."),
         QStringLiteral("D"), QStringLiteral("20")},
    });
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    parser.addOption(version);
    // Status 1 means "could not listen"; a command line the gateway cannot
    // take is 2, as for a bad value, where QCommandLineParser would exit 1.
    const auto refuse = [](const QString &why) {
        gw::printErr(QStringLiteral("quillon-gateway: %1; see quillon-gateway --help").arg(why));
        return 2;
    };
    if (!parser.parse(QCoreApplication::arguments())) {
        QString why = parser.errorText(); // "Unknown option 'x'."
        if (why.endsWith(u'.'))
            why.chop(1);
        return refuse(why);
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (parser.isSet(version)) {
        gw::printOut(QStringLiteral("quillon-gateway " QUILLON_VERSION));
        return 0;
    }
    // Help and the help with Qt's options, now that nothing else can fail.
    parser.process(app);

    QString error;
    const std::optional<GatewayOptions> options = parseOptions(parser, &error);
    if (!options)
        return refuse(error);
    if (!installSignalHandlers()) {
        gw::printErr(QStringLiteral("quillon-gateway: cannot install signal handlers"));
        return 1;
    }

    Gateway gateway(*options);
    if (!gateway.listen(&error)) {
        gw::printErr(QStringLiteral("quillon-gateway: cannot listen on 127.0.0.1:%1: %2")
                           .arg(options->port)
                           .arg(error));
        return 1;
    }
    gw::printOut(QStringLiteral("listening on 127.0.0.1:%1").arg(gateway.port()));

    QSocketNotifier stopNotifier(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [&gateway] {
        gateway.close();
        QCoreApplication::exit(0);
    });
    return app.exec();
}
