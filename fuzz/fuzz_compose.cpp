// The composer's pieces on arbitrary text and limits: every line fits the
// limit when it can, carries its prefix, never splits a character, starts
// with a slash only after a piece of nothing else after its first, and the pieces put back
// together are the text with only the blanks at the cuts gone (but one
// before a slash). What comes back when everything waits is what was typed.
#include "outbound/Composer.h"
#include "protocol/Concat.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

#include <algorithm>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 20000)
        return 0;
    const qsizetype limit = 4 + data[0];
    const int mode = data[1] % 4; // chat, whispers to two entries, /w, /me
    const QByteArrayView rest(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    // UTF-16 as it stands reaches lone surrogates too; the wire's reading
    // reaches stray bytes.
    const QString text = wire::oneLine(data[1] & 4 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(rest.data()),
                                                                         rest.size() / 2)
                                                   : wire::fromWire(rest));
    const QStringList entries{QStringLiteral("heron "), QStringLiteral("finch ")};
    const QString command = mode == 2 ? QStringLiteral("/w heron ") : mode == 3 ? QStringLiteral("/me ") : QString();
    const QString typed = command + (command.isEmpty() ? text : text.trimmed());
    if (command.isEmpty() && wire::isCommand(typed))
        return 0; // a command of its own, which goes out whole
    const QList<outbound::Outgoing> out =
        outbound::compose(typed, mode == 1 ? entries : QStringList(), u"kestrel", limit);
    check(!out.isEmpty() && out.first().rest == typed);

    const QStringList prefixes = mode == 1 ? QStringList{wire::whisperCommand(entries[0], {}),
                                                         wire::whisperCommand(entries[1], {})}
                                           : QStringList{command};
    const QString body = QStringView(typed).sliced(command.size()).toString();
    qsizetype at = 0;
    for (const QString &prefix : prefixes) {
        const bool fits = wire::toWire(prefix + body).size() <= limit;
        const bool room = wire::toWire(prefix).size() + 4 <= limit;
        qsizetype pos = 0;
        // Blanks at a cut go nowhere, but one before a slash.
        const auto skipBlanks = [&body](qsizetype &at) {
            const qsizetype from = at;
            while (at < body.size() && body[at] == u' ')
                ++at;
            if (at > from && at < body.size() && body[at] == u'/')
                --at;
        };
        bool slashesOnly = false; // the piece before, after its first character
        for (bool first = true; pos < body.size() || first; first = false) {
            check(at < out.size() && out[at].line.startsWith(prefix));
            const QStringView piece = QStringView(out[at++].line).sliced(prefix.size());
            check(first || !piece.startsWith(u'/') || slashesOnly);
            if (first && !fits && !QStringView(body).startsWith(piece))
                skipBlanks(pos); // typed in front, more than a piece holds
            const QStringView tail = piece.sliced(qMin(piece.size(), wire::startsPair(piece, 0) ? 2 : 1));
            slashesOnly = std::all_of(tail.begin(), tail.end(), [](QChar c) { return c == u'/'; });
            check(!fits || piece == body);
            check(fits || !room || wire::toWire(wire::concat({prefix, piece})).size() <= limit);
            check(QStringView(body).sliced(pos).startsWith(piece));
            pos += piece.size();
            check(!(pos > 0 && pos < body.size() && body[pos - 1].isHighSurrogate() && body[pos].isLowSurrogate()));
            skipBlanks(pos);
            check(!piece.isEmpty() || body.isEmpty());
        }
    }
    check(at == out.size());
    return 0;
}
