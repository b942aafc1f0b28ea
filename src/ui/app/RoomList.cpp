#include "app/RoomList.h"

void RoomList::focusInEvent(QFocusEvent *event)
{
    // Passes over QAbstractItemView's, which is where the first entry would
    // be made current; what is left of it is the repaint of the focus frame.
    QAbstractScrollArea::focusInEvent(event);
    setAttribute(Qt::WA_InputMethodEnabled, false); // entries are never edited
    viewport()->update();
}

void RoomList::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // The view hears of a removal before its selection model does, so the
    // current index is gone before the model could hand it to a neighbour.
    const int row = currentRow();
    if (row >= start && row <= end)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    QListWidget::rowsAboutToBeRemoved(parent, start, end);
}
