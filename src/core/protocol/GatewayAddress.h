#pragma once

#include <QString>
#include <QStringView>

namespace wire {

struct GatewayAddress
{
    QString host;
    qint32 port = 0;
};

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT, as a user writes where to
// connect. HOST is a host name or four decimal numbers from 0 to 255
// without leading zeros; nothing else is taken for an address, so a
// forgotten host ("6112") or a number with a leading zero, which the
// system's address parser would read as another address altogether, is
// refused rather than connected to. Returns why the value was refused, or
// an empty text with *out filled in; PORT defaults to defaultPort.
QString parseGatewayAddress(QStringView value, qint32 defaultPort, GatewayAddress *out);

} // namespace wire
