#include "outbound/Composer.h"

#include "protocol/Concat.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

namespace outbound {

QList<Outgoing> compose(QStringView typed, const QStringList &selectedEntries, QStringView userName)
{
    const QString text = wire::oneLine(typed.toString());
    if (wire::isCommand(text))
        return {Outgoing{text, QString()}};
    // The echo shows what the channel got, read back as a received line is:
    // a lone surrogate goes out as U+FFFD, and stray bytes next to each other
    // may form a character.
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
