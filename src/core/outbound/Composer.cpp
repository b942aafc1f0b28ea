#include "outbound/Composer.h"

#include "outbound/Pieces.h"
#include "protocol/Concat.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

namespace outbound {

namespace {

qsizetype blanksFrom(QStringView text, qsizetype i)
{
    while (i < text.size() && text[i] == u' ')
        ++i;
    return i;
}

qsizetype wordFrom(QStringView text, qsizetype i)
{
    while (i < text.size() && text[i] != u' ')
        ++i;
    return i;
}

// The part of a command that every piece of it repeats: the command word
// and the blanks after it, and for a whisper the name and the blanks after
// that. Empty for a command that goes out whole.
QStringView piecePrefix(QStringView command)
{
    const qsizetype wordEnd = wordFrom(command, 1);
    const QStringView word = command.sliced(1, wordEnd - 1);
    const auto is = [word](QStringView name) { return word.compare(name, Qt::CaseInsensitive) == 0; };
    if (is(u"me") || is(u"emote"))
        return command.first(blanksFrom(command, wordEnd));
    if (is(u"w") || is(u"whisper") || is(u"m") || is(u"msg")) {
        const qsizetype nameFrom = blanksFrom(command, wordEnd);
        const qsizetype nameEnd = wordFrom(command, nameFrom);
        if (nameEnd > nameFrom)
            return command.first(blanksFrom(command, nameEnd));
    }
    return {};
}

struct Target
{
    QString prefix;     // what every piece starts with
    QStringView joiner; // of the echo after the user name; null: no echo
    bool cuttable = true;
};

} // namespace

QList<Outgoing> compose(QStringView typed, const QStringList &selectedEntries, QStringView userName,
                        qsizetype longestLine)
{
    const QString text = wire::oneLine(typed.toString());
    QList<Target> targets;
    QStringView body = text;
    if (wire::isCommand(text)) {
        const QStringView prefix = longestLine > 0 ? piecePrefix(text) : QStringView();
        targets.append(Target{prefix.toString(), {}, !prefix.isEmpty()});
        body = body.sliced(prefix.size());
    } else if (selectedEntries.isEmpty()) {
        targets.append(Target{QString(), u": "});
    } else {
        for (const QString &entry : selectedEntries)
            targets.append(Target{wire::whisperCommand(wire::oneLine(entry), {}), u"TO: "});
    }

    const qsizetype bodyBytes = wire::toWire(body).size();
    QList<Outgoing> out;
    for (const Target &t : targets) {
        const qsizetype prefixBytes = wire::toWire(t.prefix).size();
        const bool cut = t.cuttable && longestLine > 0 && prefixBytes + bodyBytes > longestLine;
        const qsizetype room = longestLine - prefixBytes;
        const QList<QStringView> pieces = cut ? cutText(body, room) : QList<QStringView>{body};
        for (QStringView piece : pieces) {
            Outgoing o{wire::concat({t.prefix, piece}), QString(), QString()};
            // The echo shows what the channel got, read back as a received
            // line is: a lone surrogate goes out as U+FFFD, and stray bytes
            // next to each other may form a character.
            if (!t.joiner.isNull())
                o.echo = wire::asSent(wire::concat({userName, t.joiner, piece}));
            // What is left of the text from this piece on. With several
            // recipients some already have it all: the whole text comes back.
            if (out.isEmpty() || targets.size() > 1)
                o.rest = typed.toString();
            else
                o.rest = wire::concat({wire::isCommand(text) ? QStringView(t.prefix) : QStringView(),
                                       body.sliced(piece.data() - body.data())});
            out.append(o);
        }
    }
    return out;
}

} // namespace outbound
