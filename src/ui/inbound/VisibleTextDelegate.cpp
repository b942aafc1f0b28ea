#include "inbound/VisibleTextDelegate.h"

#include "inbound/ShownText.h"

QString VisibleTextDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() != QMetaType::QString)
        return QStyledItemDelegate::displayText(value, locale);
    // Eliding a name of many thousands on every repaint made the list take
    // most of a second to draw.
    return inbound::shownText(value.toString(), inbound::MaxNameShown);
}
