#pragma once

#include <QListWidget>

// The user list. Its current entry is whom the action panel and the whisper
// button act on, so only the user makes an entry current: a click, or a key
// pressed in the list. QListWidget would also make the first entry current
// when the focus arrives with none (Tab, the window activated), and move the
// current index to a neighbour when the current entry is removed; either
// would put a name nobody picked on a ban. The selection, which the
// composer whispers to, behaves as QListWidget's always does.
class RoomList : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
};
