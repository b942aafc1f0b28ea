#include "app/ActionLabel.h"

#include <QMouseEvent>

ActionLabel::ActionLabel(int index, const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
    , m_index(index)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setMouseTracking(true);
}

void ActionLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and release over the label, as with a button.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(m_index);
    QLabel::mouseReleaseEvent(event);
}

void ActionLabel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit mouseMoved(m_index, event->buttons(), event->modifiers(), p.x(), p.y());
    QLabel::mouseMoveEvent(event);
}
