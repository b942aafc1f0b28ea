#include "inbound/Links.h"

namespace inbound {

namespace {

constexpr bool isSchemeChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+'
        || c == u'-' || c == u'.';
}

bool endsAddress(char32_t c)
{
    switch (c) {
    // Not allowed in an address; a strict QUrl would refuse the whole link.
    case u'"': case u'<': case u'>': case u'\\': case u'^': case u'`': case u'{': case u'|': case u'}':
    // Quotes and angle brackets around an address in running text.
    case 0x2018: case 0x2019: case 0x201a: case 0x201b: case 0x201c: case 0x201d: case 0x201e: case 0x201f:
    case 0x00ab: case 0x00bb: case 0x2039: case 0x203a: case 0x2329: case 0x232a: case 0x27e8: case 0x27e9:
    case 0x3008: case 0x3009:
    // What ShownText puts in place of what it hides, and the ellipsis of a
    // line shown cut: the address goes on in text the user cannot see.
    case 0xfffd: case 0x21b5: case 0x00b6: case 0x2026:
        return true;
    default:
        break;
    }
    if (c >= 0x2400 && c <= 0x2426)
        return true;
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Surrogate:
        return true;
    default:
        return false;
    }
}

constexpr bool endsSentence(char16_t c)
{
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'\'';
}

struct Extent
{
    qsizetype end = 0;     // of the address, -1 when it is none
    qsizetype scanned = 0; // where the next one may start
};

// Where the address starting at `from` ends, with the punctuation of the
// sentence around it left off. None when it holds an invisible character
// such as a soft hyphen or a zero-width space: what it opens is not what the
// user reads, whether the character ends it or not.
Extent addressEnd(QStringView line, qsizetype from)
{
    qsizetype end = from;
    qsizetype opened[2] = {0, 0}; // ( and [, then ) and ] below
    qsizetype closed[2] = {0, 0};
    while (end < line.size()) {
        char32_t c = line[end].unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && end + 1 < line.size() && line[end + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line[end], line[end + 1]);
            width = 2;
        }
        if (endsAddress(c))
            break;
        if (QChar::category(c) == QChar::Other_Format)
            return {-1, end + width};
        opened[0] += c == u'(';
        opened[1] += c == u'[';
        closed[0] += c == u')';
        closed[1] += c == u']';
        end += width;
    }
    const qsizetype scanned = end;
    while (end > from) {
        const char16_t last = line[end - 1].unicode();
        if (endsSentence(last)) {
            --end;
            continue;
        }
        // A closing parenthesis belongs to the address only if it closes
        // one opened there, as in Wikipedia's titles.
        const int kind = last == u')' ? 0 : last == u']' ? 1 : -1;
        if (kind < 0 || opened[kind] >= closed[kind])
            break;
        --closed[kind];
        --end;
    }
    return {end, scanned};
}

// The host as written: between the :// and the path, without the user and
// the port.
QStringView writtenHost(QStringView address, qsizetype afterScheme)
{
    QStringView authority = address.sliced(afterScheme);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        if (authority[i] == u'/' || authority[i] == u'?' || authority[i] == u'#') {
            authority.truncate(i);
            break;
        }
    }
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
        authority = authority.sliced(at + 1);
    if (authority.startsWith(u'['))
        return authority.first(authority.indexOf(u']') + 1);
    const qsizetype colon = authority.indexOf(u':');
    return colon >= 0 ? authority.first(colon) : authority;
}

bool hostAsWritten(QStringView written, const QUrl &url)
{
    if (written.startsWith(u'['))
        return url.host(QUrl::FullyEncoded) == written.sliced(1, written.size() - 2).toString().toLower();
    // The host name in Unicode as the browser gets it, against what is
    // shown: QUrl drops invisible characters from a name, maps look-alike
    // forms to plain ones and reads 127.1 as 127.0.0.1.
    const QString opened = QUrl::fromAce(url.host(QUrl::FullyEncoded).toLatin1(), QUrl::IgnoreIDNWhitelist);
    return opened == written.toString().toLower();
}

} // namespace

QList<Link> findLinks(QStringView line)
{
    QList<Link> links;
    qsizetype from = 0;
    while (from < line.size()) {
        const qsizetype at = line.indexOf(u"http", from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        from = at + 4;
        // Not the end of a longer scheme's name, such as xhttp:
        if (at > 0 && isSchemeChar(line[at - 1].unicode()))
            continue;
        qsizetype afterScheme = at + 4;
        if (afterScheme < line.size() && (line[afterScheme] == u's' || line[afterScheme] == u'S'))
            ++afterScheme;
        if (!line.sliced(afterScheme).startsWith(u"://"))
            continue;
        afterScheme += 3;
        const auto [end, scanned] = addressEnd(line, afterScheme);
        from = scanned;
        if (end <= afterScheme)
            continue;
        const QStringView address = line.sliced(at, end - at);
        // Strict: a tolerant QUrl would open something other than what is
        // shown, such as %25 for a stray %.
        const QUrl url(address.toString(), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() || !hostAsWritten(writtenHost(address, afterScheme - at), url))
            continue;
        links.append(Link{at, end - at, url});
    }
    return links;
}

} // namespace inbound
