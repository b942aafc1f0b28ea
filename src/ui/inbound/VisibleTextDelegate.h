#pragma once

#include <QStyledItemDelegate>

// Draws list entries with their control characters as visible stand-ins, so
// an entry always looks like one name on one row; a line feed in a name would
// otherwise show as two names. The entry's own text is left as received.
//
// A member's flags (RosterIndex::FlagsRole) show as marks after the name.
class VisibleTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

namespace inbound {
// The marks for a member's flags (inbound::MemberFlag bits), as the list
// shows them; empty when no flag has one.
QString memberMarks(quint16 flags);
// The same in words, for a screen reader: "channel operator, squelched".
QString memberWords(quint16 flags);
} // namespace inbound
