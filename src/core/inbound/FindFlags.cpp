#include "inbound/FindFlags.h"

#include <climits>

namespace inbound {

int FindFlags(QStringView line, qsizetype nameStart)
{
    const qsizetype n = line.size();
    const QChar *s = line.data();
    // A position must fit the result; beyond that there is no flag field we
    // could report, rather than a wrong one.
    const qsizetype last = qMin<qsizetype>(n, INT_MAX) - 4;
    // The four values are exactly the words 00[01][02]. i is 0-based, so the
    // name's second character (1-based nameStart + 1) is index nameStart.
    for (qsizetype i = qMax<qsizetype>(nameStart, 1); i <= last; ++i) {
        if (s[i] != u'0' || s[i - 1] != u' ' || s[i + 1] != u'0')
            continue;
        const char16_t c2 = s[i + 2].unicode();
        const char16_t c3 = s[i + 3].unicode();
        if ((c2 != u'0' && c2 != u'1') || (c3 != u'0' && c3 != u'2'))
            continue;
        if (i + 4 < n && s[i + 4] != u' ' && s[i + 4] != u'\r')
            continue;
        return int(i + 1);
    }
    return 0;
}

} // namespace inbound
