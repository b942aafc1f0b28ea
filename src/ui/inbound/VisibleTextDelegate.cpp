#include "inbound/VisibleTextDelegate.h"

#include "inbound/Fields.h"
#include "inbound/RosterIndex.h"
#include "inbound/ShownText.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// Characters of the list's own font rather than icons: an icon small enough
// for an 8 pt row is a smudge, and a character the font lacked would come
// from a fallback font taller than the row. The name may itself end in any
// of them; the blank before the marks keeps them apart.
struct Mark
{
    quint16 bit;
    char16_t mark;
    const char16_t *words;
};
constexpr Mark Marks[] = {
    {inbound::Administrator, u'!', u"server administrator"},
    {inbound::ServiceRep, u'&', u"service representative"},
    {inbound::ChannelOperator, u'@', u"channel operator"},
    {inbound::Speaker, u'+', u"speaker"},
    {inbound::Squelched, u'\u00D7', u"squelched"},
};

} // namespace

QString inbound::memberMarks(quint16 flags)
{
    QString marks;
    for (const Mark &m : Marks)
        if (flags & m.bit)
            marks += QChar(m.mark);
    return marks;
}

QString inbound::memberWords(quint16 flags)
{
    QString words;
    for (const Mark &m : Marks) {
        if (!(flags & m.bit))
            continue;
        if (!words.isEmpty())
            words += QStringLiteral(", ");
        words += QStringView(m.words);
    }
    return words;
}

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
    int width = QStyledItemDelegate::sizeHint(option, index).width();
    if (const QString marks = inbound::memberMarks(index.data(RosterIndex::FlagsRole).value<quint16>()); !marks.isEmpty())
        width += plain.fontMetrics.horizontalAdvance(u' ' + marks);
    return {width, height};
}

void VisibleTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString marks = inbound::memberMarks(index.data(RosterIndex::FlagsRole).value<quint16>());
    if (marks.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();

    // The marks are drawn on their own after the name, and the name is cut
    // to leave them room: cut as one text, a long name would take the marks
    // with it, and a right-to-left name could be reordered around them.
    const QString gapAndMarks = u' ' + marks;
    const int marksWidth = opt.fontMetrics.horizontalAdvance(gapAndMarks);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget)
                               .adjusted(margin, 0, -margin, 0);
    const int room = qMax(0, textRect.width() - marksWidth);
    if (opt.fontMetrics.horizontalAdvance(opt.text) > room)
        opt.text = opt.fontMetrics.elidedText(opt.text, opt.textElideMode, room);
    opt.textElideMode = Qt::ElideNone;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const int nameWidth = opt.fontMetrics.horizontalAdvance(opt.text);
    const bool rtl = opt.direction == Qt::RightToLeft;
    const int marksLeft = rtl ? textRect.right() + 1 - nameWidth - marksWidth : textRect.left() + nameWidth;
    const QRect marksRect(marksLeft, textRect.top(), marksWidth, textRect.height());
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(opt.rect, Qt::IntersectClip);
    painter->drawText(marksRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                      rtl ? marks + u' ' : gapAndMarks);
    painter->restore();
}
