#include "inbound/RosterIndex.h"

#include "inbound/Fields.h"

#include <QListWidget>
#include <QRandomGenerator>
#include <QTest>

namespace {
QStringList texts(const QListWidget &list)
{
    QStringList all;
    for (int i = 0; i < list.count(); ++i)
        all << list.item(i)->text();
    return all;
}

// What a removal must do: take the first entry in list order whose text,
// blanks trimmed, equals the name.
bool removeByScan(QStringList &entries, const QString &name)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (inbound::trimBlanks(entries.at(i)) == name) {
            entries.removeAt(i);
            return true;
        }
    }
    return false;
}
} // namespace

class tst_RosterIndex : public QObject
{
    Q_OBJECT
private slots:
    // Each step is "+entry" (append) or "-name" (remove the first match).
    void removesTheFirstMatch_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("duplicates: the first goes")
            << QStringList{"+heron ", "+owl ", "+heron ", "-heron"} << QStringList{"owl ", "heron "};
        QTest::newRow("case matters") << QStringList{"+Heron ", "-heron"} << QStringList{"Heron "};
        QTest::newRow("only blanks are trimmed")
            << QStringList{"+heron\t", "+ heron  ", "-heron"} << QStringList{"heron\t"};
        QTest::newRow("empty name takes a blank entry")
            << QStringList{"+owl ", "+  ", "+", "-"} << QStringList{"owl ", ""};
        QTest::newRow("unknown name changes nothing") << QStringList{"+owl ", "-heron"} << QStringList{"owl "};
        QTest::newRow("gone and back") << QStringList{"+a ", "+b ", "-a", "+a ", "-b", "-a"} << QStringList{};
    }
    void removesTheFirstMatch()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, left);
        QListWidget list;
        RosterIndex index(&list);
        for (const QString &step : std::as_const(steps)) {
            if (step.startsWith(u'+'))
                index.append(step.mid(1));
            else
                index.removeFirst(step.mid(1));
        }
        QCOMPARE(texts(list), left);
    }

    // Many members, many duplicates, leaving in random order, with the index
    // renumbering itself as it fills: the list matches a plain scan's.
    void matchesAScanOverManyChanges()
    {
        QListWidget list;
        RosterIndex index(&list);
        QStringList expected;
        QRandomGenerator rng(7);
        for (int step = 0; step < 20000; ++step) {
            const QString name = QStringLiteral("u%1").arg(rng.bounded(500));
            if (rng.bounded(100) < 55) {
                const QString entry = name + QString(int(rng.bounded(3)), u' ');
                index.append(entry);
                expected << entry;
            } else {
                QCOMPARE(index.removeFirst(name), removeByScan(expected, name));
            }
            if (step % 4999 == 0)
                QCOMPARE(texts(list), expected);
        }
        QCOMPARE(texts(list), expected);

        // A few members coming and going for long: numbers run out and are
        // handed out again.
        index.clear();
        QCOMPARE(list.count(), 0);
        expected.clear();
        for (int step = 0; step < 20000; ++step) {
            const QString name = QStringLiteral("v%1").arg(rng.bounded(4));
            if (rng.bounded(2)) {
                index.append(name);
                expected << name;
            } else {
                QCOMPARE(index.removeFirst(name), removeByScan(expected, name));
            }
        }
        QCOMPARE(texts(list), expected);
        QCOMPARE(index.rebuilds(), 0); // kept up to date all along, never searched
    }

    // The list is an ordinary widget: what others do to it is taken into
    // account.
    void listChangedElsewhere()
    {
        QListWidget list;
        RosterIndex index(&list);
        index.append(QStringLiteral("a "));
        index.append(QStringLiteral("b "));
        list.insertItem(0, QStringLiteral("b  "));
        QVERIFY(index.removeFirst(QStringLiteral("b")));
        QCOMPARE(texts(list), (QStringList{"a ", "b "}));
        list.item(1)->setText(QStringLiteral("c "));
        QVERIFY(!index.removeFirst(QStringLiteral("b")));
        QVERIFY(index.removeFirst(QStringLiteral("c")));
        delete list.takeItem(0);
        index.append(QStringLiteral("d "));
        QVERIFY(!index.removeFirst(QStringLiteral("a")));
        QCOMPARE(texts(list), QStringList{"d "});
        QCOMPARE(index.rebuilds(), 3);
    }

    // Selection and the current entry belong to the entries that stay.
    void selectionStaysWithItsEntries()
    {
        QListWidget list;
        list.setSelectionMode(QAbstractItemView::MultiSelection);
        RosterIndex index(&list);
        for (const char *name : {"a ", "b ", "c ", "d "})
            index.append(QString::fromLatin1(name));
        list.item(2)->setSelected(true);
        list.setCurrentRow(3, QItemSelectionModel::NoUpdate);
        QVERIFY(index.removeFirst(QStringLiteral("a")));
        QCOMPARE(list.currentItem()->text(), QStringLiteral("d "));
        QCOMPARE(list.selectedItems().size(), 1);
        QCOMPARE(list.selectedItems().first()->text(), QStringLiteral("c "));
    }
};

QTEST_MAIN(tst_RosterIndex)
#include "tst_rosterindex.moc"
