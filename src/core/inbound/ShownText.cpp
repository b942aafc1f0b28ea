#include "inbound/ShownText.h"

#include "protocol/WireText.h"

#include <algorithm>

namespace inbound {

namespace {

// Everything standIn() may change, tested cheaply: printable ASCII, nearly
// all of a busy channel's text, is out after two comparisons.
constexpr bool mayBeHidden(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && (c == 0x7f || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069)
                                      || (c >= 0xd800 && c <= 0xdfff) || c == 0xfdd0 || c == 0xfdd1));
}

} // namespace

char16_t standIn(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    if (!mayBeHidden(c) || c == u'\t')
        return 0;
    if (c < 0x20)
        return char16_t(0x2400 + c);
    switch (c) {
    case 0x7f: return 0x2421;   // ␡
    case 0x2028: return 0x21b5; // ↵: it breaks the line within the paragraph
    case 0x2029: return 0x00b6; // ¶
    default: break;
    }
    if (QChar::isSurrogate(c)) {
        if (wire::isStrayByteAt(text, i))
            return wire::strayByte(text[i]);
        // Half of a character whose other half a field cut at a fixed
        // position left behind: there is nothing to draw it as.
        return wire::startsPair(text, i) || wire::startsPair(text, i - 1) ? 0 : 0xfffd;
    }
    // The direction controls and the frame markers: what they stand for
    // cannot be drawn, so they show as the character for what cannot be.
    return 0xfffd;
}

void appendShown(QString &out, QStringView text, qsizetype maxShown)
{
    const bool cut = text.size() > maxShown;
    if (cut) {
        qsizetype keep = qMax<qsizetype>(0, maxShown - 1);
        // Half a pair would show as a box of its own.
        if (wire::startsPair(text, keep - 1))
            --keep;
        text = text.first(keep);
    }
    const qsizetype at = out.size();
    out.append(text);
    // Most lines hold nothing to hide: one scan, no second copy.
    const auto first = std::find_if(text.begin(), text.end(), [](QChar c) { return mayBeHidden(c.unicode()); });
    if (first != text.end()) {
        QChar *shown = out.data() + at;
        for (qsizetype i = first - text.begin(); i < text.size(); ++i)
            if (const char16_t s = standIn(text, i))
                shown[i] = QChar(s);
    }
    if (cut && maxShown > 0)
        out.append(QChar(0x2026)); // …
}

QString shownText(QStringView text, qsizetype maxShown)
{
    QString out;
    appendShown(out, text, maxShown);
    return out;
}

} // namespace inbound
