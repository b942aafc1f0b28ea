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

// Letters, digits and hyphens in labels of 1 to 63, a name written in
// another script checked in the form it goes to the resolver in.
QString checkHostName(QStringView host)
{
    const QByteArray ace = QUrl::toAce(host.toString());
    if (ace.isEmpty() || ace.size() > 254)
        return QStringLiteral("not a host name");
    QByteArrayView name(ace);
    if (name.endsWith('.'))
        name.chop(1);
    for (const QByteArray &label : name.toByteArray().split('.')) {
        const bool ldh = std::all_of(label.begin(), label.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        });
        if (label.isEmpty() || label.size() > 63 || !ldh || label.front() == '-' || label.back() == '-')
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
    } else if (isDigits(host)) {
        why = QStringLiteral("a number alone is not a host; write HOST:PORT");
    } else {
        // A name whose last label is a number is no name: read it as the
        // address it looks like.
        const QStringView last = host.endsWith(u'.') ? host.chopped(1) : host;
        const qsizetype dot = last.lastIndexOf(u'.');
        why = isDigits(last.sliced(dot + 1)) ? checkDottedQuad(host) : checkHostName(host);
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
