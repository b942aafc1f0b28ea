#include "inbound/Fields.h"

#include "inbound/FindFlags.h"
#include "inbound/ShownText.h"
#include "protocol/Concat.h"
#include "protocol/WireText.h"

namespace inbound {

namespace {

// Where the user name itself begins (1-based); the flag field is looked for
// from its second character. The name fields of 1003 and 1004 are cut from
// one earlier, at the blank the gateway puts before the name.
constexpr qsizetype TalkNameAt = 11;
constexpr qsizetype EmoteNameAt = 12;
constexpr qsizetype ListNameAt = 11;
constexpr qsizetype LeaveNameAt = 12;
constexpr qsizetype WhisperNameAt = 14;

// Name and text of 1005 and 1023: the name from nameStart up to the blank
// before the flag field, the text from six after it to before the closing quote.
std::optional<QString> nameAndText(QStringView line, qsizetype nameStart, QStringView joiner, qsizetype *textAt)
{
    const qsizetype f = FindFlags(line, nameStart);
    if (f == 0)
        return std::nullopt;
    const auto name = cutField(line, nameStart, f - nameStart);
    const auto text = cutField(line, f + 6, line.size() - (f + 6) - 1);
    if (!name || !text)
        return std::nullopt;
    if (textAt)
        *textAt = name->size() + joiner.size();
    return wire::concat({*name, joiner, *text});
}

// The name field of 1001 to 1003: from 11 up to the blank before the flag field.
std::optional<QString> listField(QStringView line, qsizetype nameStart)
{
    const qsizetype f = FindFlags(line, nameStart);
    if (f == 0)
        return std::nullopt;
    const auto name = cutField(line, 11, f - 11);
    if (!name)
        return std::nullopt;
    return name->toString();
}

// Judged by code point, so a letter beyond U+FFFF is one; a combining mark
// belongs to the word it follows.
bool isWordCharacter(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == u'_';
}

char32_t codePointBefore(QStringView text, qsizetype at)
{
    return wire::startsPair(text, at - 2) ? QChar::surrogateToUcs4(text[at - 2], text[at - 1]) : text[at - 1].unicode();
}

char32_t codePointAt(QStringView text, qsizetype at)
{
    return wire::startsPair(text, at) ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
}

} // namespace

std::optional<QStringView> cutField(QStringView line, qsizetype start, qsizetype count)
{
    if (count < 0 || start < 1)
        return std::nullopt;
    if (start > line.size())
        return QStringView();
    return line.sliced(start - 1, qMin(count, line.size() - (start - 1)));
}

std::optional<QStringView> quotedText(QStringView line)
{
    const qsizetype q1 = line.indexOf(u'"');
    if (q1 < 0)
        return std::nullopt;
    // In the normal layout the text closes just before the CR, so quotes
    // inside it (a channel name the gateway quotes) belong to the text.
    const qsizetype last = line.size() - 2;
    if (last > q1 && line.endsWith(u"\"\r"))
        return line.sliced(q1 + 1, last - q1 - 1);
    const qsizetype q2 = line.indexOf(u'"', q1 + 1);
    if (q2 < 0)
        return std::nullopt;
    return line.sliced(q1 + 1, q2 - q1 - 1);
}

std::optional<QString> talkLine(QStringView line, qsizetype *textAt)
{
    return nameAndText(line, TalkNameAt, u": ", textAt);
}

std::optional<QString> emoteLine(QStringView line, qsizetype *textAt)
{
    return nameAndText(line, EmoteNameAt, u" ", textAt);
}

bool mentions(QStringView received, QStringView name)
{
    if (name.isEmpty())
        return false;
    // The user looks for their name in what the transcript shows, where a
    // stray byte is its Latin-1 letter.
    const QString text = shownText(received, MaxLineShown);
    for (qsizetype at = text.indexOf(name, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(name, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + name.size();
        if ((at == 0 || !isWordCharacter(codePointBefore(text, at)))
            && (end == text.size() || !isWordCharacter(codePointAt(text, end))))
            return true;
    }
    return false;
}

std::optional<QString> whisperLine(QStringView line)
{
    const qsizetype f = FindFlags(line, WhisperNameAt);
    if (f == 0)
        return std::nullopt;
    const auto name = cutField(line, 13, f - 13);
    const auto text = quotedText(line);
    if (!name || !text)
        return std::nullopt;
    return wire::concat({*name, u": (whisper) ", *text});
}

QString infoLine(QStringView line)
{
    const auto text = quotedText(line);
    return text ? text->toString() : QString();
}

std::optional<QString> userEntry(QStringView line)
{
    return listField(line, ListNameAt);
}

std::optional<QString> leaveName(QStringView line)
{
    const auto field = listField(line, LeaveNameAt);
    if (!field)
        return std::nullopt;
    return trimBlanks(*field).toString();
}

std::optional<QString> channelName(QStringView line)
{
    if (line.size() < 16)
        return std::nullopt;
    return line.sliced(14, line.size() - 16).toString();
}

QStringView trimBlanks(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.sliced(b, e - b);
}

QString bannerCaption(QStringView channel, qsizetype count)
{
    return wire::concat({channel, u"  (", QString::number(count), u")"});
}

} // namespace inbound
