#include "inbound/FindFlags.h"

#include <climits>

namespace inbound {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    // Servers print flags with printf's %04x or %04X: either case.
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

int FindFlags(QStringView line, qsizetype nameStart)
{
    const qsizetype n = line.size();
    const QChar *s = line.data();
    // A position must fit the result; beyond that there is no flag field we
    // could report, rather than a wrong one.
    const qsizetype last = qMin<qsizetype>(n, INT_MAX) - 4;
    // i is 0-based, so the name's second character (1-based nameStart + 1)
    // is index nameStart. The blank is the rarest of the tests: first.
    for (qsizetype i = qMax<qsizetype>(nameStart, 1); i <= last; ++i) {
        if (s[i - 1] != u' ' || hexDigit(s[i]) < 0 || hexDigit(s[i + 1]) < 0 || hexDigit(s[i + 2]) < 0
            || hexDigit(s[i + 3]) < 0)
            continue;
        if (i + 4 < n && s[i + 4] != u' ' && s[i + 4] != u'\r')
            continue;
        return int(i + 1);
    }
    return 0;
}

std::optional<quint16> flagsAt(QStringView line, qsizetype f)
{
    if (f < 1 || f + 3 > line.size())
        return std::nullopt;
    quint16 value = 0;
    for (qsizetype i = f - 1; i < f + 3; ++i) {
        const int d = hexDigit(line[i]);
        if (d < 0)
            return std::nullopt;
        value = quint16(value << 4 | d);
    }
    return value;
}

} // namespace inbound
