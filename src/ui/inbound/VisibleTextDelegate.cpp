#include "inbound/VisibleTextDelegate.h"

#include "inbound/ShownText.h"

#include <QApplication>
#include <QStyle>

QString VisibleTextDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() != QMetaType::QString)
        return QStyledItemDelegate::displayText(value, locale);
    // Eliding a name of many thousands on every repaint made the list take
    // most of a second to draw.
    return inbound::shownText(value.toString(), inbound::MaxNameShown);
}

QSize VisibleTextDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // A stand-in drawn from a fallback font (Symbola, say) is taller than
    // the list's own font; its row must not be.
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text = QStringLiteral("X");
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const int height = style->sizeFromContents(QStyle::CT_ItemViewItem, &plain, QSize(), option.widget).height();
    return {QStyledItemDelegate::sizeHint(option, index).width(), height};
}
