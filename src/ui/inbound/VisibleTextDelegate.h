#pragma once

#include <QStyledItemDelegate>

// Draws list entries with their control characters as visible stand-ins, so
// an entry always looks like one name on one row; a line feed in a name would
// otherwise show as two names. The entry's own text is left as received.
class VisibleTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
