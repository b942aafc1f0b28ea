#include "protocol/GatewayAddress.h"

#include <QUrl>

#include <algorithm>

namespace wire {

namespace {

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool parsePort(QStringView text, qint32 *port)
{
    if (!isDigits(text) || text.size() > 5)
        return false;
    const qint32 value = text.toInt();
    if (value < 1 || value > 65535)
        return false;
    *port = value;
    return true;
}

// Four numbers from 0 to 255, each as the user would say it.
QString checkDottedQuad(QStringView host)
{
    const auto parts = host.split(u'.');
    if (parts.size() != 4)
        return QStringLiteral("an IPv4 address is four numbers joined by dots");
    for (QStringView part : parts) {
        if (!isDigits(part) || part.size() > 3 || part.toInt() > 255)
            return QStringLiteral("an IPv4 address is four numbers from 0 to 255");
        if (part.size() > 1 && part.front() == u'0')
            return QStringLiteral("a number in an IPv4 address has no leading zero");
    }
    return {};
}

// Letters, digits and hyphens in labels of 1 to 63, at most 253 in all.
QString checkHostName(QStringView name)
{
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty() || name.size() > 253)
        return QStringLiteral("not a host name");
    for (QStringView label : name.split(u'.')) {
        const bool ldh = std::all_of(label.begin(), label.end(), [](QChar c) {
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
        });
        if (label.isEmpty() || label.size() > 63 || !ldh || label.front() == u'-' || label.back() == u'-')
            return QStringLiteral("not a host name: letters, digits and hyphens between dots");
    }
    return {};
}

} // namespace

QString parseGatewayAddress(QStringView value, qint32 defaultPort, GatewayAddress *out)
{
    QStringView host = value;
    QStringView port;
    bool bracketed = false;
    if (value.startsWith(u'[')) {
        const qsizetype close = value.indexOf(u']');
        if (close < 0)
            return QStringLiteral("an opening [ without its ]");
        host = value.sliced(1, close - 1);
        bracketed = true;
        const QStringView rest = value.sliced(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return QStringLiteral("only :PORT may follow ]");
            port = rest.sliced(1);
            if (port.isEmpty())
                return QStringLiteral("a colon without a port");
        }
    } else if (const qsizetype colons = value.count(u':'); colons > 1) {
        return QStringLiteral("an IPv6 address goes in brackets, as [::1]:6112");
    } else if (colons == 1) {
        const qsizetype colon = value.indexOf(u':');
        host = value.first(colon);
        port = value.sliced(colon + 1);
        if (port.isEmpty())
            return QStringLiteral("a colon without a port");
    }
    if (host.isEmpty())
        return QStringLiteral("no host name");

    QString why;
    if (bracketed) {
        QUrl url;
        url.setHost(host.toString(), QUrl::StrictMode);
        if (!host.contains(u':') || !url.isValid())
            why = QStringLiteral("only an IPv6 address goes in brackets");
    } else {
        // Judged as the resolver gets it: a name in another script goes
        // there in ASCII, and wide digits or ideographic full stops become
        // plain ones on the way.
        const QString ascii = QString::fromLatin1(QUrl::toAce(host.toString()));
        const QStringView last = ascii.endsWith(u'.') ? QStringView(ascii).chopped(1) : QStringView(ascii);
        const QStringView lastLabel = last.sliced(last.lastIndexOf(u'.') + 1);
        if (ascii.isEmpty())
            why = QStringLiteral("not a host name");
        else if (isDigits(ascii))
            why = QStringLiteral("a number alone is not a host; write HOST:PORT");
        else if (isDigits(lastLabel))
            // A name whose last label is a number is no name: read it as
            // the address it looks like.
            why = checkDottedQuad(ascii);
        else if (!lastLabel.isEmpty() && lastLabel.front() >= u'0' && lastLabel.front() <= u'9')
            // No top-level domain starts with a digit, and the resolver
            // reads such a label ("0x7f000001") as a number.
            why = QStringLiteral("not a host name: the last label starts with a digit");
        else
            why = checkHostName(ascii);
    }
    if (!why.isEmpty())
        return why;
    qint32 number = defaultPort;
    if (!port.isEmpty() && !parsePort(port, &number))
        return QStringLiteral("the port must be a number from 1 to 65535");
    out->host = host.toString();
    out->port = number;
    return {};
}

} // namespace wire
