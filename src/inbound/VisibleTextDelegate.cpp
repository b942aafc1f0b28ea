#include "inbound/VisibleTextDelegate.h"

#include "inbound/TranscriptBox.h"

QString VisibleTextDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() != QMetaType::QString)
        return QStyledItemDelegate::displayText(value, locale);
    QString text = value.toString();
    inbound::makeVisible(text);
    return text;
}
