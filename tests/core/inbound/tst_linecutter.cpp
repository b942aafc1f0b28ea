#include "inbound/LineCutter.h"

#include <QTest>

using inbound::LineCutter;

namespace {
QStringList cutAll(const QStringList &arrivals)
{
    LineCutter cutter;
    QStringList lines;
    QStringView line;
    for (const QString &a : arrivals) {
        cutter.feed(a);
        while (cutter.next(line))
            lines << line.toString();
    }
    return lines;
}
} // namespace

class tst_LineCutter : public QObject
{
    Q_OBJECT
private slots:
    void arrivals_data()
    {
        QTest::addColumn<QStringList>("arrivals");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("two lines and a fragment that is kept")
            << QStringList{"1019\r\n1019\r\n20"} << QStringList{"1019\r", "1019\r"};
        QTest::newRow("fragment completed by the next arrival")
            << QStringList{"1019\r\n1019\r\n20", "10 NAME x\r\n"}
            << QStringList{"1019\r", "1019\r", "2010 NAME x\r"};
        QTest::newRow("line split inside its text")
            << QStringList{"1005 TALK a 0010 \"hello", " there\"\r\n"}
            << QStringList{"1005 TALK a 0010 \"hello there\"\r"};
        QTest::newRow("CR LF split across arrivals")
            << QStringList{"1002 JOIN a 0010\r", "\n1005 TALK\r\n"}
            << QStringList{"1002 JOIN a 0010\r", "1005 TALK\r"};
        QTest::newRow("lone CR keeps the next character")
            << QStringList{"ab\rcd\r\n"} << QStringList{"ab\r", "cd\r"};
        QTest::newRow("arrival ending in CR, next without LF")
            << QStringList{"ab\r", "cd\r\n"} << QStringList{"ab\r", "cd\r"};
        QTest::newRow("LF not after a CR belongs to the line")
            << QStringList{"a\nb\r\n"} << QStringList{"a\nb\r"};
        QTest::newRow("empty line") << QStringList{"\r\n"} << QStringList{"\r"};
        QTest::newRow("two CRs") << QStringList{"\r\r\n"} << QStringList{"\r", "\r"};
        QTest::newRow("empty arrival") << QStringList{""} << QStringList{};
        QTest::newRow("no CR at all") << QStringList{"1005 TALK", " more"} << QStringList{};
        QTest::newRow("empty arrivals between pieces")
            << QStringList{"ab", "", "\r", "", "\ncd\r\n"} << QStringList{"ab\r", "cd\r"};
        QTest::newRow("CR then LF only arrival")
            << QStringList{"x\r", "\n", "y\r\n"} << QStringList{"x\r", "y\r"};
    }
    void arrivals()
    {
        QFETCH(QStringList, arrivals);
        QFETCH(QStringList, lines);
        QCOMPARE(cutAll(arrivals), lines);
    }

    // A new connection: what the old one left unfinished is forgotten, the
    // complete lines it sent are not.
    void dropPartial_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("cutFirst"); // lines taken out before the drop
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("lines");

        const QString next = QStringLiteral("1018 INFO \"next\"\r\n");
        for (bool cutFirst : {false, true}) {
            const QByteArray when = cutFirst ? ", lines taken first" : ", lines still waiting";
            QTest::newRow("half a line" + when)
                << "1018 INFO \"one\"\r\n1005 TALK heron 0010 \"hel" << cutFirst << next
                << QStringList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("nothing unfinished" + when)
                << "1018 INFO \"one\"\r\n" << cutFirst << next
                << QStringList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("last CR without its LF" + when)
                << "1018 INFO \"one\"\r" << cutFirst << next
                << QStringList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("last CR without its LF, next begins with LF" + when)
                << "1018 INFO \"one\"\r" << cutFirst << "\n" + next
                << QStringList{"1018 INFO \"one\"\r", "\n1018 INFO \"next\"\r"};
            QTest::newRow("over-long run being dropped" + when)
                << "1018 INFO \"one\"\r\n" + QString(LineCutter::MaxLineLength + 10, u'x') << cutFirst << next
                << QStringList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
        }
        QTest::newRow("only a fragment") << "1005 TAL" << false << next << QStringList{"1018 INFO \"next\"\r"};
        QTest::newRow("empty") << "" << false << next << QStringList{"1018 INFO \"next\"\r"};
    }
    void dropPartial()
    {
        QFETCH(QString, before);
        QFETCH(bool, cutFirst);
        QFETCH(QString, after);
        QFETCH(QStringList, lines);
        LineCutter cutter;
        QStringList out;
        QStringView line;
        cutter.feed(before);
        if (cutFirst)
            while (cutter.next(line))
                out << line.toString();
        cutter.dropPartial();
        cutter.feed(after);
        while (cutter.next(line))
            out << line.toString();
        QCOMPARE(out, lines);
        QCOMPARE(cutter.pending(), 0);
    }

    // Wherever the network splits two lines, the same two lines come out.
    void everySplitOfTwoLines()
    {
        const QString chunk = QStringLiteral("1002 JOIN heron 0010 [CHAT]\r\n1005 TALK heron 0010 \"hi\"\r\n");
        const QStringList expected{"1002 JOIN heron 0010 [CHAT]\r", "1005 TALK heron 0010 \"hi\"\r"};
        for (qsizetype cut = 0; cut <= chunk.size(); ++cut) {
            const QStringList got = cutAll({chunk.left(cut), chunk.mid(cut)});
            QVERIFY2(got == expected, qPrintable(QStringLiteral("split at %1").arg(cut)));
        }
        // And byte by byte.
        QStringList single;
        for (QChar c : chunk)
            single << QString(c);
        QCOMPARE(cutAll(single), expected);
    }

    // Positions far beyond 16 bits are cut like any other.
    void largeChunk()
    {
        QString chunk;
        const QString line = QStringLiteral("1005 TALK someone 0010 \"%1\"\r\n");
        int n = 0;
        while (chunk.size() < 5 * 1024 * 1024)
            chunk += line.arg(n++);
        const QStringList lines = cutAll({chunk});
        QCOMPARE(lines.size(), n);
        QCOMPARE(lines.first(), line.arg(0).chopped(1));
        QCOMPARE(lines.last(), line.arg(n - 1).chopped(1));
        QVERIFY(lines.at(32767).endsWith(u'\r'));
    }

    void overlongRunIsDropped_data()
    {
        QTest::addColumn<int>("piece");
        QTest::newRow("one arrival") << 0;
        QTest::newRow("1000-character arrivals") << 1000;
        QTest::newRow("65536-character arrivals") << 65536;
    }
    void overlongRunIsDropped()
    {
        QFETCH(int, piece);
        const QString all = QStringLiteral("1019 before\r\n") + QString(100 * 1024, u'x')
                            + QStringLiteral("\r\n1019 after\r\n");
        QStringList arrivals;
        if (piece == 0)
            arrivals << all;
        else
            for (qsizetype i = 0; i < all.size(); i += piece)
                arrivals << all.mid(i, piece);
        QCOMPARE(cutAll(arrivals), (QStringList{"1019 before\r", "1019 after\r"}));
    }

    void lineAtTheLimitIsKept()
    {
        const QString longest(LineCutter::MaxLineLength, u'y');
        QCOMPARE(cutAll({longest.left(40000), longest.mid(40000) + "\r\n"}), QStringList{longest + "\r"});
    }

    // Memory stays bounded however long the server goes on without a CR.
    void pendingStaysBounded()
    {
        LineCutter cutter;
        const QString piece(64 * 1024, u'z');
        QStringView line;
        for (int i = 0; i < 200; ++i) {
            cutter.feed(piece);
            QVERIFY(!cutter.next(line));
            QVERIFY(cutter.pending() <= LineCutter::MaxLineLength);
        }
        cutter.feed(u"\r\n1018 INFO \"ok\"\r\n");
        QVERIFY(cutter.next(line));
        QCOMPARE(line.toString(), QStringLiteral("1018 INFO \"ok\"\r"));
    }
};

QTEST_APPLESS_MAIN(tst_LineCutter)
#include "tst_linecutter.moc"
