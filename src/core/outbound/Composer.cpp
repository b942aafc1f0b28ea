#include "outbound/Composer.h"

#include "protocol/Concat.h"
#include "protocol/Latin1.h"
#include "protocol/OutboundLines.h"

namespace outbound {

QList<Outgoing> compose(QStringView typed, const QStringList &selectedEntries, QStringView userName)
{
    const QString text = wire::oneLine(typed.toString());
    if (wire::isCommand(text))
        return {Outgoing{text, QString()}};
    // A character the 8-bit wire cannot carry goes out as "?": the echo
    // shows what the channel got, not what was typed.
    auto echo = [&](QStringView joiner) { return wire::asSent(wire::concat({userName, joiner, text})); };
    if (selectedEntries.isEmpty())
        return {Outgoing{text, echo(u": ")}};
    QList<Outgoing> out;
    out.reserve(selectedEntries.size());
    const QString whisperEcho = echo(u"TO: ");
    for (const QString &entry : selectedEntries)
        out.append(Outgoing{wire::whisperCommand(wire::oneLine(entry), text), whisperEcho});
    return out;
}

} // namespace outbound
