#include "outbound/Pieces.h"

#include "protocol/WireText.h"

namespace outbound {

namespace {

// UTF-16 units of the character at i: two for a surrogate pair, as the wire
// writes one.
qsizetype charAt(QStringView text, qsizetype i)
{
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace

QList<QStringView> cutText(QStringView text, qsizetype maxBytes)
{
    if (maxBytes < 4)
        return {text};
    QList<QStringView> pieces;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n || pieces.isEmpty()) {
        qsizetype end = start;
        for (qsizetype bytes = 0; end < n;) {
            const qsizetype units = charAt(text, end);
            bytes += wire::toWire(text.sliced(end, units)).size();
            if (bytes > maxBytes)
                break;
            end += units;
        }
        if (end == n) {
            pieces.append(text.sliced(start));
            break;
        }
        qsizetype blank = end;
        while (blank > start && text[blank] != u' ')
            --blank;
        if (blank > start) {
            pieces.append(text.sliced(start, blank - start));
            start = blank + 1;
        } else {
            pieces.append(text.sliced(start, end - start));
            start = end;
        }
    }
    return pieces;
}

} // namespace outbound
