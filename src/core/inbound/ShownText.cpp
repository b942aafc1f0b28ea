#include "inbound/ShownText.h"

#include <algorithm>

namespace inbound {

void appendShown(QString &out, QStringView text, qsizetype maxShown)
{
    const bool cut = text.size() > maxShown;
    if (cut)
        text = text.first(qMax<qsizetype>(0, maxShown - 1));
    const qsizetype at = out.size();
    out.append(text);
    // Most lines hold no control character: one scan, no second copy.
    const auto hidden = [](QChar c) { return isHiddenControl(c.unicode()); };
    if (std::any_of(text.begin(), text.end(), hidden)) {
        for (auto it = out.begin() + at; it != out.end(); ++it) {
            const char16_t u = it->unicode();
            if (u == 0x7f)
                *it = QChar(char16_t(0x2421));
            else if (isHiddenControl(u))
                *it = QChar(char16_t(0x2400 + u));
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
