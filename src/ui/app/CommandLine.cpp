#include "app/CommandLine.h"

#include <QUrl>

namespace app {

namespace {

// Qt's options that take the next argument as their value: that value is
// Qt's, even when it looks like one of ours.
bool takesValueForQt(QStringView arg)
{
    if (arg.startsWith(u"--"))
        arg = arg.sliced(1);
    static const char16_t *const withValue[] = {
        u"-platform", u"-platformpluginpath", u"-platformtheme", u"-plugin", u"-qmljsdebugger",
        u"-qwindowgeometry", u"-qwindowicon", u"-qwindowtitle", u"-session", u"-display",
        u"-geometry", u"-style", u"-stylesheet", u"-title", u"-name",
    };
    for (const char16_t *o : withValue)
        if (arg == QStringView(o))
            return true;
    return false;
}

bool parsePort(QStringView text, qint32 *port)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    qint32 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = value;
    return true;
}

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT; a bare IPv6 address takes the
// default port.
QString parseServer(QStringView value, qint32 defaultPort, QString *host, qint32 *port)
{
    QStringView h = value;
    QStringView p;
    if (value.startsWith(u'[')) {
        const qsizetype close = value.indexOf(u']');
        if (close < 0)
            return QStringLiteral("an opening [ without its ]");
        h = value.sliced(1, close - 1);
        const QStringView rest = value.sliced(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return QStringLiteral("only :PORT may follow ]");
            p = rest.sliced(1);
            if (p.isEmpty())
                return QStringLiteral("a colon without a port");
        }
    } else if (value.count(u':') == 1) {
        const qsizetype colon = value.indexOf(u':');
        h = value.first(colon);
        p = value.sliced(colon + 1);
        if (p.isEmpty())
            return QStringLiteral("a colon without a port");
    }
    if (h.isEmpty())
        return QStringLiteral("no host name");
    QUrl url;
    url.setHost(h.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("not a host name or address");
    *port = defaultPort;
    if (!p.isEmpty() && !parsePort(p, port))
        return QStringLiteral("the port must be a number from 1 to 65535");
    *host = url.host();
    return {};
}

} // namespace

CommandLine readCommandLine(const QStringList &args, const QString &defaultHost, qint32 defaultPort)
{
    CommandLine out;
    out.host = defaultHost;
    out.port = defaultPort;
    auto fail = [&out](const QString &message) {
        out.action = CommandLine::Fail;
        out.error = QStringLiteral("quillon: ") + message + QStringLiteral("; see quillon --help");
        return out;
    };
    bool serverSeen = false;
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
        // --pace on|off, on its own: it takes nothing from --server's checks.
        if (arg == u"--pace" || arg.startsWith(u"--pace=")) {
            if (arg == u"--pace" && i + 1 >= args.size())
                return fail(QStringLiteral("--pace needs on or off"));
            const QString pace = arg == u"--pace" ? args.at(++i) : arg.sliced(7);
            if (pace != u"on" && pace != u"off")
                return fail(QStringLiteral("--pace takes on or off"));
            out.pace = pace == u"on";
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
            if (takesValueForQt(arg))
                ++i;
            continue;
        }
        if (serverSeen)
            return fail(QStringLiteral("--server given twice"));
        serverSeen = true;
        const QString why = parseServer(value, defaultPort, &out.host, &out.port);
        if (!why.isEmpty()) {
            // The value is shown as given, but on one line and visible.
            QString shown = value;
            for (QChar &c : shown)
                if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                    c = u'?';
            return fail(QStringLiteral("bad --server value \"%1\": %2").arg(shown, why));
        }
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
        "                        one; PORT defaults to 6112. HOST may be a name,\n"
        "                        an IPv4 address or an IPv6 address in brackets.\n"
        "  --pace on|off         Pace what is sent (on, the default) so the\n"
        "                        gateway's flood guard never refuses a line or\n"
        "                        disconnects: at most 4 units of 40 bytes begun\n"
        "                        in any 5 seconds, plus a margin, and text over\n"
        "                        160 bytes in pieces (servers refuse lines over\n"
        "                        200). off sends every line at once, uncut.\n"
        "  -h, --help            Show this help and exit.\n"
        "  --version             Show the version and exit.\n"
        "\n"
        "Qt's standard options, such as -platform, work as in any Qt program.\n");
}

} // namespace app
