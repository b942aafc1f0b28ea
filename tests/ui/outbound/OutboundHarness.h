#pragma once

#include "app/frmBot.h"
#include "connection/Globals.h"
#include "inbound/TranscriptBox.h"

#include "ConnectedWindow.h"

#include <QListWidget>
#include <QTest>

// Entries as the receive path stores them keep the blank that followed the
// name, e.g. "heron ".
inline void fillRoomlist(frmBot &w, const QStringList &entries, const QList<int> &selected = {})
{
    w.Roomlist->clear();
    w.Roomlist->addItems(entries);
    for (int i : selected)
        w.Roomlist->item(i)->setSelected(true);
}

inline QList<int> selectedRows(const frmBot &w)
{
    QList<int> rows;
    for (int i = 0; i < w.Roomlist->count(); ++i)
        if (w.Roomlist->item(i)->isSelected())
            rows << i;
    return rows;
}

inline const QStringList Birds = QStringList() << QStringLiteral("heron ") << QStringLiteral("owl ") << QStringLiteral("finch ");
