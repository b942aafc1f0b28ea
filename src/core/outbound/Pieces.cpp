#include "outbound/Pieces.h"

#include "protocol/WireText.h"

namespace outbound {

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
            const qsizetype units = wire::startsPair(text, end) ? 2 : 1;
            bytes += wire::toWire(text.sliced(end, units)).size();
            if (bytes > maxBytes)
                break;
            end += units;
        }
        qsizetype after = start;
        while (after < n && text[after] == u' ')
            ++after;
        if (after == n && !pieces.isEmpty())
            break; // blanks after a cut go nowhere
        if (end == n) {
            pieces.append(text.sliced(start));
            break;
        }
        // Blanks typed in front of the text, more than a piece holds, would
        // make a piece of nothing but blanks.
        if (after >= end && after < n) {
            const qsizetype next = text[after] == u'/' ? after - 1 : after;
            if (next > start) {
                start = next;
                continue;
            }
        }
        // At a run of blanks the piece ends before it and the next starts
        // after it. A chat line that starts with a slash is a command to
        // the server, and one blank in front makes it chat again.
        qsizetype pieceEnd = end, next = end;
        qsizetype blank = end;
        while (blank > start && text[blank] != u' ')
            --blank;
        qsizetype first = blank;
        while (first > start && text[first - 1] == u' ')
            --first;
        if (first > start) {
            after = blank;
            while (after < n && text[after] == u' ')
                ++after;
            pieceEnd = first;
            next = after < n && text[after] == u'/' ? after - 1 : after;
        } else {
            while (pieceEnd > start && text[pieceEnd] == u'/')
                pieceEnd -= wire::startsPair(text, pieceEnd - 2) ? 2 : 1;
            if (pieceEnd == start) // slashes to the end: no cut avoids one
                pieceEnd = end;
            next = pieceEnd;
        }
        pieces.append(text.sliced(start, pieceEnd - start));
        start = next;
    }
    return pieces;
}

} // namespace outbound
