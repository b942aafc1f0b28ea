#include "outbound/SentWhispers.h"

#include "inbound/Fields.h"

namespace outbound {

namespace {

qsizetype skip(QStringView text, qsizetype i, bool blanks)
{
    while (i < text.size() && (text[i] == u' ') == blanks)
        ++i;
    return i;
}

// The server takes the text from after the blanks behind the name, and may
// drop trailing ones: compare what both sides keep.
bool sameText(QStringView a, QStringView b)
{
    return inbound::trimBlanks(a) == inbound::trimBlanks(b);
}

} // namespace

std::optional<Whisper> whisperOf(QStringView line)
{
    if (!line.startsWith(u'/'))
        return std::nullopt;
    const qsizetype wordEnd = skip(line, 1, false);
    const QStringView word = line.sliced(1, wordEnd - 1);
    const auto is = [word](QStringView name) { return word.compare(name, Qt::CaseInsensitive) == 0; };
    if (!is(u"w") && !is(u"whisper") && !is(u"m") && !is(u"msg"))
        return std::nullopt;
    const qsizetype nameFrom = skip(line, wordEnd, true);
    const qsizetype nameEnd = skip(line, nameFrom, false);
    if (nameEnd == nameFrom)
        return std::nullopt;
    const qsizetype textFrom = skip(line, nameEnd, true);
    return Whisper{line.sliced(nameFrom, nameEnd - nameFrom).toString(), line.sliced(textFrom).toString()};
}

void SentWhispers::written(const Whisper &whisper, bool echoed)
{
    if (m_pending.size() >= MaxPending)
        m_pending.removeFirst();
    m_pending.append({whisper, echoed});
}

bool SentWhispers::confirmed(QStringView to, QStringView text)
{
    m_confirming = true;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const Pending &p = m_pending[i];
        if (p.whisper.to.compare(to, Qt::CaseInsensitive) == 0 && sameText(p.whisper.text, text)) {
            const bool shown = !p.echoed;
            m_pending.remove(0, i + 1);
            return shown;
        }
    }
    // Not one of ours as written here: shown, so nothing vanishes.
    return true;
}

void SentWhispers::reset()
{
    m_pending.clear();
    m_confirming = false;
}

} // namespace outbound
