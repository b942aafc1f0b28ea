#include "inbound/RosterIndex.h"

#include "inbound/Fields.h"

#include <QListWidget>

namespace {
constexpr int MinCapacity = 1024;
} // namespace

RosterIndex::RosterIndex(QListWidget *list)
    : QObject(list), m_list(list)
{
    // Whatever else changes the list makes the index stale.
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &RosterIndex::changedElsewhere);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RosterIndex::changedElsewhere);
    connect(model, &QAbstractItemModel::rowsMoved, this, &RosterIndex::changedElsewhere);
    connect(model, &QAbstractItemModel::modelReset, this, &RosterIndex::changedElsewhere);
    connect(model, &QAbstractItemModel::layoutChanged, this, &RosterIndex::changedElsewhere);
    connect(model, &QAbstractItemModel::dataChanged, this, &RosterIndex::changedElsewhere);
    rebuild();
}

void RosterIndex::changedElsewhere()
{
    if (!m_changing)
        m_stale = true;
}

void RosterIndex::append(const QString &entry)
{
    if (m_nextSeq >= capacity())
        rebuild(); // renumbers the entries and makes room for more
    auto *item = new QListWidgetItem(entry);
    m_changing = true;
    m_list->addItem(item);
    m_changing = false;
    if (m_stale)
        return; // the next removal rebuilds, this entry included
    const int seq = m_nextSeq++;
    m_byName[inbound::trimBlanks(entry).toString()].append({item, seq});
    treeAdd(seq, 1);
}

bool RosterIndex::removeFirst(const QString &name)
{
    if (m_stale)
        rebuild();
    const auto it = m_byName.find(name);
    if (it == m_byName.end())
        return false;
    const Entry entry = it->first();
    const int row = treeCount(entry.seq) - 1;
    if (m_list->item(row) != entry.item) {
        // Cannot happen while the index is kept up to date; if it does, the
        // list is the truth.
        rebuild();
        return removeFirst(name);
    }
    it->removeFirst();
    if (it->isEmpty())
        m_byName.erase(it);
    treeAdd(entry.seq, -1);
    m_changing = true;
    delete m_list->takeItem(row);
    m_changing = false;
    return true;
}

void RosterIndex::clear()
{
    m_changing = true;
    m_list->clear();
    m_changing = false;
    rebuild();
}

void RosterIndex::rebuild()
{
    const int count = m_list->count();
    m_byName.clear();
    m_tree.assign(size_t(qMax(MinCapacity, 2 * count)) + 1, 0);
    // Order numbers 0 .. count - 1 are taken, in list order.
    for (size_t i = 1; i < m_tree.size(); ++i) {
        if (i <= size_t(count))
            m_tree[i] += 1;
        const size_t parent = i + (i & (~i + 1));
        if (parent < m_tree.size())
            m_tree[parent] += m_tree[i];
    }
    for (int row = 0; row < count; ++row) {
        QListWidgetItem *item = m_list->item(row);
        m_byName[inbound::trimBlanks(item->text()).toString()].append({item, row});
    }
    m_nextSeq = count;
    m_stale = false;
}

void RosterIndex::treeAdd(int seq, int delta)
{
    for (size_t i = size_t(seq) + 1; i < m_tree.size(); i += i & (~i + 1))
        m_tree[i] += delta;
}

int RosterIndex::treeCount(int seq) const
{
    int sum = 0;
    for (size_t i = size_t(seq) + 1; i > 0; i -= i & (~i + 1))
        sum += m_tree[i];
    return sum;
}
