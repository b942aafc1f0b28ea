#include "inbound/RosterIndex.h"

#include "inbound/Fields.h"
#include "inbound/VisibleTextDelegate.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
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

// An entry as the user list's delegate draws it in a row 127 pixels wide.
QImage drawn(const QString &entry, quint16 flags)
{
    QListWidget list;
    RosterIndex(&list).append(entry, flags);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.widget = &list;
    option.rect = QRect(0, 0, 127, 14);
    QImage image(option.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    VisibleTextDelegate().paint(&painter, option, list.model()->index(0, 0));
    return image;
}

// The last columns of a drawn row that hold ink.
QImage lastInk(const QImage &row, int columns)
{
    for (int right = row.width() - 1; right > 0; --right)
        for (int y = 0; y < row.height(); ++y)
            if (row.pixel(right, y) != row.pixel(0, 0))
                return row.copy(right - columns + 1, 0, columns, row.height());
    return {};
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

    // An entry with a marked flag is drawn differently from the same entry
    // without, and ends in the same marks as a short name however long it
    // is; the other flags draw it as if it had none.
    void marksBesideTheName_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("marked");
        const QString heron = QStringLiteral("heron ");
        QTest::newRow("service rep") << heron << 0x01 << true;
        QTest::newRow("operator") << heron << 0x02 << true;
        QTest::newRow("speaker") << heron << 0x04 << true;
        QTest::newRow("administrator") << heron << 0x08 << true;
        QTest::newRow("squelched") << heron << 0x20 << true;
        QTest::newRow("no UDP") << heron << 0x10 << false;
        QTest::newRow("guest") << heron << 0x40 << false;
        QTest::newRow("operator, name cut short") << QString(80, u'w') << 0x02 << true;
    }
    void marksBesideTheName()
    {
        QFETCH(QString, entry);
        QFETCH(int, flags);
        QFETCH(bool, marked);
        const quint16 f = quint16(flags);
        QCOMPARE(drawn(entry, f) != drawn(entry, 0), marked);
        const int marks = QFontMetrics(QApplication::font()).horizontalAdvance(inbound::memberMarks(f));
        if (marked)
            QCOMPARE(lastInk(drawn(entry, f), marks), lastInk(drawn(QStringLiteral("owl "), f), marks));
    }

    // Selection and the current entry belong to the entries that stay, and
    // stay where they are when a member's flags change; the view is told to
    // draw the changed entry again.
    void selectionStaysWithItsEntries_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("removal") << "-a" << QStringList{"b ", "c ", "d "};
        QTest::newRow("flag change") << "=c" << QStringList{"a ", "b ", "c ", "d "};
    }
    void selectionStaysWithItsEntries()
    {
        QFETCH(QString, step);
        QFETCH(QStringList, left);
        QListWidget list;
        list.setSelectionMode(QAbstractItemView::MultiSelection);
        RosterIndex index(&list);
        for (const char *name : {"a ", "b ", "c ", "d "})
            index.append(QString::fromLatin1(name));
        list.item(2)->setSelected(true);
        list.setCurrentRow(3, QItemSelectionModel::NoUpdate);
        QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);
        if (step.startsWith(u'-')) {
            QVERIFY(index.removeFirst(step.mid(1)));
        } else {
            QVERIFY(index.setFlags(step.mid(1), inbound::ChannelOperator));
            QCOMPARE(list.item(2)->data(RosterIndex::FlagsRole).toInt(), int(inbound::ChannelOperator));
            QCOMPARE(changed.value(0).value(0).toModelIndex().row(), 2);
        }
        QCOMPARE(texts(list), left);
        QCOMPARE(list.currentItem()->text(), QStringLiteral("d "));
        QCOMPARE(list.selectedItems().size(), 1);
        QCOMPARE(list.selectedItems().first()->text(), QStringLiteral("c "));
    }
};

QTEST_MAIN(tst_RosterIndex)
#include "tst_rosterindex.moc"
