#include "inbound/RosterIndex.h"

#include "inbound/Fields.h"
#include "inbound/ShownText.h"
#include "inbound/VisibleTextDelegate.h"

#include <QListWidget>

namespace {
constexpr int MinCapacity = 1024;

constexpr size_t lowBit(size_t i)
{
    return i & (~i + 1);
}

// A screen reader reads an entry as it is shown, not as received: a NUL
// would cut the name short, and a line feed read it as two. The marks are
// read in words after the name.
class RosterItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    QVariant data(int role) const override
    {
        if (role == Qt::AccessibleTextRole) {
            QString name = inbound::shownText(text(), inbound::MaxNameShown);
            const QString words = inbound::memberWords(flags());
            if (words.isEmpty())
                return name;
            // "heron, speaker", not "heron , speaker".
            while (name.endsWith(u' '))
                name.chop(1);
            return QString(name + QStringLiteral(", ") + words);
        }
        // Says what the marks mean. Words only: a tooltip would take a name
        // that looks like markup for rich text.
        if (role == Qt::ToolTipRole) {
            const QString words = inbound::memberWords(flags());
            return words.isEmpty() ? QVariant() : QVariant(words);
        }
        return QListWidgetItem::data(role);
    }

private:
    quint16 flags() const { return QListWidgetItem::data(RosterIndex::FlagsRole).value<quint16>(); }
};
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

bool RosterIndex::append(const QString &entry, quint16 flags)
{
    if (m_list->count() >= m_maxEntries || m_chars + entry.size() > m_maxChars)
        return false;
    m_chars += entry.size();
    if (!m_stale && m_nextSeq == capacity()) {
        const int live = int(m_seq.size());
        if (live * 4 <= capacity()) {
            renumber(); // mostly numbers of entries long gone
        } else {
            // Doubling a Fenwick tree: the one new node that covers old
            // numbers covers all of them.
            m_tree.resize(size_t(2 * capacity()) + 1, 0);
            m_tree.back() = live;
        }
    }
    auto *item = new RosterItem(entry);
    if (flags != 0)
        item->setData(FlagsRole, flags);
    m_changing = true;
    m_list->addItem(item);
    m_changing = false;
    if (m_stale)
        return true; // the next removal rebuilds, this entry included
    const int seq = m_nextSeq++;
    m_byName[inbound::trimBlanks(entry).toString()].append(item);
    m_seq.insert(item, seq);
    treeAdd(seq, 1);
    return true;
}

void RosterIndex::catchUp()
{
    if (m_stale) {
        rebuild();
        ++m_rebuilds;
    }
}

bool RosterIndex::removeFirst(const QString &name)
{
    catchUp();
    const auto it = m_byName.find(name);
    if (it == m_byName.end())
        return false;
    QListWidgetItem *item = it->first();
    const int seq = m_seq.value(item);
    const int row = treeCount(seq) - 1;
    if (m_list->item(row) != item) {
        // Cannot happen while the index is kept up to date; if it does, the
        // list is the truth.
        rebuild();
        ++m_rebuilds;
        return removeFirst(name);
    }
    it->removeFirst();
    if (it->isEmpty())
        m_byName.erase(it);
    m_seq.remove(item);
    treeAdd(seq, -1);
    m_chars -= item->text().size();
    m_changing = true;
    delete m_list->takeItem(row);
    m_changing = false;
    return true;
}

bool RosterIndex::setFlags(const QString &name, quint16 flags)
{
    catchUp();
    const auto it = m_byName.constFind(name);
    if (it == m_byName.cend())
        return false;
    m_changing = true;
    it->first()->setData(FlagsRole, flags);
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
    m_byName.clear();
    m_seq.clear();
    m_chars = 0;
    const int count = m_list->count();
    for (int row = 0; row < count; ++row) {
        QListWidgetItem *item = m_list->item(row);
        m_chars += item->text().size();
        m_byName[inbound::trimBlanks(item->text()).toString()].append(item);
        m_seq.insert(item, row);
    }
    int capacity = MinCapacity;
    while (capacity < 2 * count)
        capacity *= 2;
    resetTree(capacity, count);
    m_stale = false;
}

void RosterIndex::renumber()
{
    const int count = m_list->count();
    for (int row = 0; row < count; ++row)
        m_seq[m_list->item(row)] = row;
    resetTree(capacity(), count);
}

void RosterIndex::resetTree(int capacity, int live)
{
    // Numbers 0 .. live - 1 taken, built bottom-up in one pass.
    m_tree.assign(size_t(capacity) + 1, 0);
    for (size_t i = 1; i < m_tree.size(); ++i) {
        if (i <= size_t(live))
            m_tree[i] += 1;
        const size_t parent = i + lowBit(i);
        if (parent < m_tree.size())
            m_tree[parent] += m_tree[i];
    }
    m_nextSeq = live;
}

void RosterIndex::treeAdd(int seq, int delta)
{
    for (size_t i = size_t(seq) + 1; i < m_tree.size(); i += lowBit(i))
        m_tree[i] += delta;
}

int RosterIndex::treeCount(int seq) const
{
    int sum = 0;
    for (size_t i = size_t(seq) + 1; i > 0; i -= lowBit(i))
        sum += m_tree[i];
    return sum;
}
