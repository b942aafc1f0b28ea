#include "app/CommandLine.h"

#include "protocol/GatewayAddress.h"

#include <algorithm>
#include <iterator>

namespace app {

namespace {

// Qt's own options, which QApplication takes out of the command line later:
// those that take the next argument as their value (which is Qt's even when
// it looks like one of ours), and those that stand alone. Qt accepts each
// with one dash or two.
constexpr const char16_t *QtWithValue[] = {
    u"-platform", u"-platformpluginpath", u"-platformtheme", u"-plugin", u"-qwindowgeometry",
    u"-qwindowicon", u"-qwindowtitle", u"-session", u"-style", u"-stylesheet",
    // The X11 platform's.
    u"-display", u"-geometry", u"-title", u"-icon", u"-name", u"-visual",
};
constexpr const char16_t *QtAlone[] = {
    u"-reverse", u"-testability", u"-widgetcount", u"-nograb", u"-dograb", u"-sync",
};
constexpr const char16_t *QtJoined[] = {u"-style=", u"-stylesheet=", u"-qmljsdebugger="};

QStringView asQtOption(QStringView arg)
{
    return arg.startsWith(u"--") ? arg.sliced(1) : arg;
}

bool isQtOption(QStringView arg, bool *takesValue)
{
    const QStringView o = asQtOption(arg);
    *takesValue = std::any_of(std::begin(QtWithValue), std::end(QtWithValue), [o](const char16_t *q) { return o == q; });
    return *takesValue || std::any_of(std::begin(QtAlone), std::end(QtAlone), [o](const char16_t *q) { return o == q; })
        || std::any_of(std::begin(QtJoined), std::end(QtJoined), [o](const char16_t *q) { return o.startsWith(q); });
}

} // namespace

QString shownOnOneLine(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    return text;
}

CommandLine readCommandLine(const QStringList &args, qint32 defaultPort)
{
    CommandLine out;
    auto fail = [&out](const QString &message) {
        out.action = CommandLine::Fail;
        out.error = QStringLiteral("quillon: ") + message + QStringLiteral("; see quillon --help");
        return out;
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--help" || arg == u"-h") {
            out.action = CommandLine::Help;
            return out;
        }
        if (arg == u"--version") {
            out.action = CommandLine::Version;
            return out;
        }
        if (arg == u"--pace" || arg.startsWith(u"--pace=")) {
            if (arg == u"--pace" && i + 1 >= args.size())
                return fail(QStringLiteral("--pace needs on, off or REFUSE,WINDOW,UNIT,LONGEST"));
            const QString value = arg == u"--pace" ? args.at(++i) : arg.sliced(7);
            if (out.pace)
                return fail(QStringLiteral("--pace given twice"));
            Pace pace;
            if (const QString why = parsePace(value, &pace); !why.isEmpty())
                return fail(QStringLiteral("bad --pace value \"%1\": %2").arg(shownOnOneLine(value), why));
            out.pace = pace;
            continue;
        }
        if (arg == u"--reconnect" || arg.startsWith(u"--reconnect=")) {
            if (arg == u"--reconnect" && i + 1 >= args.size())
                return fail(QStringLiteral("--reconnect needs on or off"));
            const QString value = arg == u"--reconnect" ? args.at(++i) : arg.sliced(12);
            if (out.reconnect)
                return fail(QStringLiteral("--reconnect given twice"));
            bool on = true;
            if (const QString why = parseOnOff(value, &on); !why.isEmpty())
                return fail(QStringLiteral("bad --reconnect value \"%1\": %2").arg(shownOnOneLine(value), why));
            out.reconnect = on;
            continue;
        }
        QString value;
        if (arg == u"--server") {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("--server needs HOST[:PORT]"));
            value = args.at(++i);
        } else if (arg.startsWith(u"--server=")) {
            value = arg.sliced(9);
        } else {
            bool takesValue = false;
            if (!isQtOption(arg, &takesValue)) {
                // Ignored, it would send the user's password to a gateway
                // they never chose: "--sever host" is a typo, not a wish.
                return fail(arg.startsWith(u'-') ? QStringLiteral("unknown option \"%1\"").arg(shownOnOneLine(arg))
                                                 : QStringLiteral("unexpected argument \"%1\"").arg(shownOnOneLine(arg)));
            }
            if (takesValue)
                ++i;
            continue;
        }
        if (out.server)
            return fail(QStringLiteral("--server given twice"));
        wire::GatewayAddress address;
        const QString why = wire::parseGatewayAddress(value, defaultPort, &address);
        if (!why.isEmpty())
            return fail(QStringLiteral("bad --server value \"%1\": %2").arg(shownOnOneLine(value), why));
        out.server = address;
    }
    return out;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: quillon [options]\n"
        "Desktop chat client for plain-text chat gateways.\n"
        "\n"
        "Options:\n"
        "  --server HOST[:PORT]  Connect to this gateway instead of the built-in\n"
        "                        one; PORT defaults to 6112. HOST is a host name,\n"
        "                        an IPv4 address written as four numbers from 0\n"
        "                        to 255 without leading zeros, or an IPv6\n"
        "                        address in brackets, as in [::1]:6113.\n"
        "  --pace on|off|REFUSE,WINDOW,UNIT,LONGEST\n"
        "                        Pace what is sent (on, the default) so the\n"
        "                        gateway's flood guard never refuses a line or\n"
        "                        disconnects. on keeps the usual servers' rule,\n"
        "                        5,5,40,200: a line costs a unit per 40 bytes\n"
        "                        begun, 5 units in 5 seconds are refused, and so\n"
        "                        is a line over 200 bytes; so at most 4 units go\n"
        "                        in any 5 seconds, plus a margin, and longer text\n"
        "                        in pieces. Four numbers state another server's\n"
        "                        rule. off sends every line at once, uncut.\n"
        "  --reconnect on|off    Get a lost connection back by itself (on, the\n"
        "                        default): try again with growing pauses, log in\n"
        "                        again and rejoin the channel. off leaves it\n"
        "                        lost, and says so until Connect is pressed.\n"
        "  -h, --help            Show this help and exit.\n"
        "  --version             Show the version and exit.\n"
        "\n"
        "Qt's standard options, such as -platform, work as in any Qt program.\n"
        "Any other argument is refused.\n"
        "\n"
        "Without an option, the gateway, the pace and reconnecting are read from\n"
        "the settings file $XDG_CONFIG_HOME/quillon/quillon.conf\n"
        "(~/.config/quillon/quillon.conf by default), with the keys server, pace\n"
        "and reconnect; see quillon(1).\n");
}

} // namespace app
