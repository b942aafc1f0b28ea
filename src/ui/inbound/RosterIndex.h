#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <vector>

class QListWidget;
class QListWidgetItem;

// Adds to and takes from the user list without scanning it: a member who
// leaves a channel of thousands is found by name, and the row of the entry
// is counted in a tree rather than searched for.
//
// The list stays an ordinary QListWidget that anyone may read. Should
// something other than this index change it, the index notices and builds
// itself again from the list before its next removal.
class RosterIndex : public QObject
{
    Q_OBJECT
public:
    // Far beyond any real channel, so only a server that floods the list
    // ever meets them: they keep it from growing without bound.
    static constexpr int MaxEntries = 50000;
    static constexpr qsizetype MaxChars = 4 * 1000 * 1000;

    explicit RosterIndex(QListWidget *list);
    // For tests: a lower ceiling, so it shows with little input.
    void setCeiling(int entries, qsizetype chars)
    {
        m_maxEntries = entries;
        m_maxChars = chars;
    }

    // An entry's member flags (inbound::MemberFlag bits), as a quint16.
    static constexpr int FlagsRole = Qt::UserRole + 1;

    // Adds an entry at the end of the list, exactly as given, with the
    // member's flags; false, and nothing added, when it would take the list
    // past its ceiling.
    bool append(const QString &entry, quint16 flags = 0);
    // Gives the first entry, in list order, whose text with the blanks at
    // both ends removed equals the name, new flags, in place; false when
    // there is none.
    bool setFlags(const QString &name, quint16 flags);
    // Removes the first entry, in list order, whose text with the blanks at
    // both ends removed equals the name; false when there is none.
    bool removeFirst(const QString &name);
    // Empties the list.
    void clear();

    // How often the index was built again from the list because the list
    // had been changed elsewhere (or, which must not happen, had drifted).
    int rebuilds() const { return m_rebuilds; }

private:
    int capacity() const { return int(m_tree.size()) - 1; }
    void rebuild();
    void renumber();
    void resetTree(int capacity, int live);
    void treeAdd(int seq, int delta);
    int treeCount(int seq) const; // live entries numbered up to seq
    void changedElsewhere();
    // Builds the index again if the list was changed elsewhere.
    void catchUp();

    QListWidget *m_list;
    // Entries by trimmed name, in list order.
    QHash<QString, QList<QListWidgetItem *>> m_byName;
    // Every entry's number; numbers grow in list order.
    QHash<QListWidgetItem *, int> m_seq;
    std::vector<int> m_tree; // Fenwick tree over the numbers, a power of two long
    int m_nextSeq = 0;
    bool m_stale = false;
    bool m_changing = false;
    int m_rebuilds = 0;
    int m_maxEntries = MaxEntries;
    qsizetype m_maxChars = MaxChars;
    qsizetype m_chars = 0; // stored in the entries
};
