#include "outbound/InputHistory.h"

#include <QTest>

// Keys pressed on an input line showing `draft` after `sent` went out; `shown`
// is what the line holds after each key ('u' Up, 'd' Down).
class tst_InputHistory : public QObject
{
    Q_OBJECT
private slots:
    void walks_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("shown");
        const QStringList abc{"a", "b", "c"};
        QTest::newRow("up walks back and stops at the oldest") << abc << "uuuu" << QStringList{"c", "b", "a", "a"};
        QTest::newRow("down past the newest gives back the draft")
            << abc << "uudddu" << QStringList{"c", "b", "c", "draft", "draft", "c"};
        QTest::newRow("nothing sent yet") << QStringList{} << "ud" << QStringList{"draft", "draft"};
        QTest::newRow("an empty line is not kept") << QStringList{"a", ""} << "uu" << QStringList{"a", "a"};
        QStringList many;
        for (int i = 0; i <= InputHistory::Limit; ++i)
            many << QString::number(i);
        const QStringList kept = many.mid(1);
        QTest::newRow("the oldest goes past 100")
            << many << QString(InputHistory::Limit + 1, u'u') << QStringList(kept.crbegin(), kept.crend()) + QStringList{"1"};
    }
    void walks()
    {
        QFETCH(QStringList, sent);
        QFETCH(QString, keys);
        QFETCH(QStringList, shown);
        InputHistory history;
        for (const QString &line : sent)
            history.record(line);
        QString line = QStringLiteral("draft");
        QStringList seen;
        for (QChar key : keys) {
            if (const auto next = key == u'u' ? history.up(line) : history.down())
                line = *next;
            seen << line;
        }
        QCOMPARE(seen, shown);
    }
};

QTEST_MAIN(tst_InputHistory)
#include "tst_inputhistory.moc"
