#include "inbound/Fields.h"

#include "inbound/FindFlags.h"
#include "inbound/ShownText.h"
#include "protocol/Concat.h"
#include "protocol/MessageCodes.h"
#include "protocol/WireText.h"

namespace inbound {

namespace {

using wire::Inbound;
using wire::layoutOf;

qsizetype flagsOf(QStringView line, Inbound kind)
{
    return FindFlags(line, layoutOf(kind).nameAt);
}

// Name and text of 1005 and 1023: the name field up to the blank before the
// flag field, the text from six after it to before the closing quote.
std::optional<QString> nameAndText(QStringView line, Inbound kind, QStringView joiner, qsizetype *textAt)
{
    const wire::Layout at = layoutOf(kind);
    const qsizetype f = FindFlags(line, at.nameAt);
    if (f == 0)
        return std::nullopt;
    const auto name = cutField(line, at.nameField, f - at.nameField);
    const auto text = cutField(line, f + at.textFrom, line.size() - (f + at.textFrom) - 1);
    if (!name || !text)
        return std::nullopt;
    if (textAt)
        *textAt = name->size() + joiner.size();
    return wire::concat({*name, joiner, *text});
}

// The name field of a line that names a member, up to the blank before the
// flag field, with the flag field's value.
std::optional<Member> memberField(QStringView line, Inbound kind)
{
    const wire::Layout at = layoutOf(kind);
    const qsizetype f = flagsOf(line, kind);
    if (f == 0)
        return std::nullopt;
    const auto name = cutField(line, at.nameField, f - at.nameField);
    if (!name)
        return std::nullopt;
    return Member{name->toString(), flagsAt(line, f).value_or(0)};
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
    return nameAndText(line, Inbound::Talk, u": ", textAt);
}

std::optional<QString> emoteLine(QStringView line, qsizetype *textAt)
{
    return nameAndText(line, Inbound::Emote, u" ", textAt);
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
    const auto from = memberField(line, Inbound::Whisper);
    const auto text = quotedText(line);
    if (!from || !text)
        return std::nullopt;
    return wire::concat({from->entry, u": (whisper) ", *text});
}

std::optional<SentWhisper> whisperSent(QStringView line)
{
    const auto to = memberField(line, Inbound::WhisperSent);
    const auto text = quotedText(line);
    if (!to || !text)
        return std::nullopt;
    return SentWhisper{trimBlanks(to->entry).toString(), text->toString()};
}

QString sentWhisperLine(QStringView ownName, QStringView to, QStringView text)
{
    return wire::concat({ownName, u"TO ", to, u": ", text});
}

QString broadcastLine(QStringView line)
{
    return wire::concat({BroadcastMark, infoLine(line)});
}

QString refusedChannelLine(wire::Inbound kind, QStringView line)
{
    const QStringView why = kind == Inbound::ChannelFull      ? u"is full."
                            : kind == Inbound::ChannelMissing ? u"does not exist."
                                                              : u"is restricted.";
    const auto name = quotedText(line);
    if (!name || name->isEmpty())
        return wire::concat({u"That channel ", why});
    return wire::concat({u"The channel \"", *name, u"\" ", why});
}

std::optional<QString> serverName(QStringView line)
{
    const wire::Layout at = layoutOf(Inbound::Name);
    const auto field = cutField(line, at.textFrom, line.size() - at.textFrom);
    if (!field)
        return std::nullopt;
    const QStringView name = trimBlanks(*field);
    if (name.isEmpty())
        return std::nullopt;
    return name.toString();
}

std::optional<QString> loginRefusal(QStringView line)
{
    // The server may put it behind prompts that had no line end of their own
    // ("Username: Password: Login failed.").
    const qsizetype at = line.indexOf(u"Login failed", 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    QStringView words = line.sliced(at);
    if (words.endsWith(u'\r'))
        words.chop(1);
    return trimBlanks(words).toString();
}

QString infoLine(QStringView line)
{
    const auto text = quotedText(line);
    return text ? text->toString() : QString();
}

std::optional<Member> member(QStringView line)
{
    return memberField(line, Inbound::User);
}

std::optional<QString> userEntry(QStringView line)
{
    const auto m = member(line);
    return m ? std::optional<QString>(m->entry) : std::nullopt;
}

std::optional<QString> leaveName(QStringView line)
{
    const auto field = memberField(line, Inbound::Leave);
    if (!field)
        return std::nullopt;
    return trimBlanks(field->entry).toString();
}

std::optional<QString> channelName(QStringView line)
{
    // Between the quote before textFrom and the one before the CR.
    const qsizetype from = layoutOf(Inbound::Channel).textFrom;
    if (line.size() < from + 1)
        return std::nullopt;
    return line.sliced(from - 1, line.size() - from - 1).toString();
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
