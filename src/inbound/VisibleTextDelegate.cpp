#include "inbound/VisibleTextDelegate.h"

#include "inbound/TranscriptBox.h"

QString VisibleTextDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() != QMetaType::QString)
        return QStyledItemDelegate::displayText(value, locale);
    // The row shows a few dozen characters; eliding a name of many thousands
    // on every repaint made the list take most of a second to draw.
    constexpr qsizetype MaxShown = 256;
    QString text = value.toString();
    if (text.size() > MaxShown) {
        text.truncate(MaxShown - 1);
        text += QChar(0x2026); // …
    }
    inbound::makeVisible(text);
    return text;
}
