#include "inbound/ShownText.h"

#include "protocol/WireText.h"

#include <algorithm>

namespace inbound {

void appendShown(QString &out, QStringView text, qsizetype maxShown)
{
    const bool cut = text.size() > maxShown;
    if (cut) {
        qsizetype keep = qMax<qsizetype>(0, maxShown - 1);
        // Half a pair would show as a box of its own.
        if (keep > 0 && text[keep - 1].isHighSurrogate() && text[keep].isLowSurrogate())
            --keep;
        text = text.first(keep);
    }
    const qsizetype at = out.size();
    out.append(text);
    // Most lines hold no control character and no stray byte: one scan, no
    // second copy.
    const auto changed = [](QChar c) {
        return isHiddenControl(c.unicode()) || wire::isStrayByte(c.unicode());
    };
    if (std::any_of(text.begin(), text.end(), changed)) {
        for (auto it = out.begin() + at; it != out.end(); ++it) {
            const char16_t u = it->unicode();
            if (u == 0x7f)
                *it = QChar(char16_t(0x2421));
            else if (isHiddenControl(u))
                *it = QChar(char16_t(0x2400 + u));
            else if (wire::isStrayByte(u))
                *it = QChar(wire::strayByteShown(u));
        }
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
