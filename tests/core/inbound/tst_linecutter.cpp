#include "inbound/LineCutter.h"

#include <QTest>

using inbound::LineCutter;

namespace {
QByteArrayList cutAll(const QByteArrayList &arrivals)
{
    LineCutter cutter;
    QByteArrayList lines;
    QByteArrayView line;
    for (const QByteArray &a : arrivals) {
        cutter.feed(a);
        while (cutter.next(line))
            lines << line.toByteArray();
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
        QTest::addColumn<QByteArrayList>("arrivals");
        QTest::addColumn<QByteArrayList>("lines");

        QTest::newRow("two lines and a fragment that is kept")
            << QByteArrayList{"1019\r\n1019\r\n20"} << QByteArrayList{"1019\r", "1019\r"};
        QTest::newRow("fragment completed by the next arrival")
            << QByteArrayList{"1019\r\n1019\r\n20", "10 NAME x\r\n"}
            << QByteArrayList{"1019\r", "1019\r", "2010 NAME x\r"};
        QTest::newRow("line split inside its text")
            << QByteArrayList{"1005 TALK a 0010 \"hello", " there\"\r\n"}
            << QByteArrayList{"1005 TALK a 0010 \"hello there\"\r"};
        QTest::newRow("CR LF split across arrivals")
            << QByteArrayList{"1002 JOIN a 0010\r", "\n1005 TALK\r\n"}
            << QByteArrayList{"1002 JOIN a 0010\r", "1005 TALK\r"};
        QTest::newRow("lone CR keeps the next character")
            << QByteArrayList{"ab\rcd\r\n"} << QByteArrayList{"ab\r", "cd\r"};
        QTest::newRow("arrival ending in CR, next without LF")
            << QByteArrayList{"ab\r", "cd\r\n"} << QByteArrayList{"ab\r", "cd\r"};
        QTest::newRow("LF not after a CR belongs to the line")
            << QByteArrayList{"a\nb\r\n"} << QByteArrayList{"a\nb\r"};
        QTest::newRow("empty line") << QByteArrayList{"\r\n"} << QByteArrayList{"\r"};
        QTest::newRow("two CRs") << QByteArrayList{"\r\r\n"} << QByteArrayList{"\r", "\r"};
        QTest::newRow("empty arrival") << QByteArrayList{""} << QByteArrayList{};
        QTest::newRow("no CR at all") << QByteArrayList{"1005 TALK", " more"} << QByteArrayList{};
        QTest::newRow("empty arrivals between pieces")
            << QByteArrayList{"ab", "", "\r", "", "\ncd\r\n"} << QByteArrayList{"ab\r", "cd\r"};
        QTest::newRow("CR then LF only arrival")
            << QByteArrayList{"x\r", "\n", "y\r\n"} << QByteArrayList{"x\r", "y\r"};
    }
    void arrivals()
    {
        QFETCH(QByteArrayList, arrivals);
        QFETCH(QByteArrayList, lines);
        QCOMPARE(cutAll(arrivals), lines);
    }

    // A new connection: what the old one left unfinished is forgotten, the
    // complete lines it sent are not.
    void dropPartial_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("cutFirst"); // lines taken out before the drop
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArrayList>("lines");

        const QByteArray next = "1018 INFO \"next\"\r\n";
        for (bool cutFirst : {false, true}) {
            const QByteArray when = cutFirst ? ", lines taken first" : ", lines still waiting";
            QTest::newRow("half a line" + when)
                << QByteArray("1018 INFO \"one\"\r\n1005 TALK heron 0010 \"hel") << cutFirst << next
                << QByteArrayList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("nothing unfinished" + when)
                << QByteArray("1018 INFO \"one\"\r\n") << cutFirst << next
                << QByteArrayList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("last CR without its LF" + when)
                << QByteArray("1018 INFO \"one\"\r") << cutFirst << next
                << QByteArrayList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
            QTest::newRow("last CR without its LF, next begins with LF" + when)
                << QByteArray("1018 INFO \"one\"\r") << cutFirst << "\n" + next
                << QByteArrayList{"1018 INFO \"one\"\r", "\n1018 INFO \"next\"\r"};
            QTest::newRow("over-long run being dropped" + when)
                << "1018 INFO \"one\"\r\n" + QByteArray(LineCutter::MaxLineLength + 10, 'x') << cutFirst << next
                << QByteArrayList{"1018 INFO \"one\"\r", "1018 INFO \"next\"\r"};
        }
        QTest::newRow("only a fragment") << QByteArray("1005 TAL") << false << next << QByteArrayList{"1018 INFO \"next\"\r"};
        QTest::newRow("empty") << QByteArray() << false << next << QByteArrayList{"1018 INFO \"next\"\r"};
    }
    void dropPartial()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, cutFirst);
        QFETCH(QByteArray, after);
        QFETCH(QByteArrayList, lines);
        LineCutter cutter;
        QByteArrayList out;
        QByteArrayView line;
        cutter.feed(before);
        if (cutFirst)
            while (cutter.next(line))
                out << line.toByteArray();
        cutter.dropPartial();
        cutter.feed(after);
        while (cutter.next(line))
            out << line.toByteArray();
        QCOMPARE(out, lines);
        QCOMPARE(cutter.pending(), 0);
    }

    // Wherever the network splits two lines, the same two lines come out.
    void everySplitOfTwoLines()
    {
        const QByteArray chunk = QByteArray("1002 JOIN heron 0010 [CHAT]\r\n1005 TALK heron 0010 \"hi\"\r\n");
        const QByteArrayList expected{"1002 JOIN heron 0010 [CHAT]\r", "1005 TALK heron 0010 \"hi\"\r"};
        for (qsizetype cut = 0; cut <= chunk.size(); ++cut) {
            const QByteArrayList got = cutAll({chunk.left(cut), chunk.mid(cut)});
            QVERIFY2(got == expected, qPrintable(QStringLiteral("split at %1").arg(cut)));
        }
        // And byte by byte.
        QByteArrayList single;
        for (char c : chunk)
            single << QByteArray(1, c);
        QCOMPARE(cutAll(single), expected);
    }

    // Positions far beyond 16 bits are cut like any other.
    void largeChunk()
    {
        QByteArray chunk;
        const QString line = QStringLiteral("1005 TALK someone 0010 \"%1\"\r\n");
        int n = 0;
        while (chunk.size() < 5 * 1024 * 1024)
            chunk += line.arg(n++).toLatin1();
        const QByteArrayList lines = cutAll({chunk});
        QCOMPARE(lines.size(), n);
        QCOMPARE(lines.first(), line.arg(0).chopped(1).toLatin1());
        QCOMPARE(lines.last(), line.arg(n - 1).chopped(1).toLatin1());
        QVERIFY(lines.at(32767).endsWith('\r'));
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
        const QByteArray all = QByteArray("1019 before\r\n") + QByteArray(100 * 1024, 'x')
                            + QByteArray("\r\n1019 after\r\n");
        QByteArrayList arrivals;
        if (piece == 0)
            arrivals << all;
        else
            for (qsizetype i = 0; i < all.size(); i += piece)
                arrivals << all.mid(i, piece);
        QCOMPARE(cutAll(arrivals), (QByteArrayList{"1019 before\r", "1019 after\r"}));
    }

    void lineAtTheLimitIsKept()
    {
        const QByteArray longest(LineCutter::MaxLineLength, 'y');
        QCOMPARE(cutAll({longest.left(40000), longest.mid(40000) + "\r\n"}), QByteArrayList{longest + "\r"});
    }

    // Memory stays bounded however long the server goes on without a CR.
    void pendingStaysBounded()
    {
        LineCutter cutter;
        const QByteArray piece(64 * 1024, 'z');
        QByteArrayView line;
        for (int i = 0; i < 200; ++i) {
            cutter.feed(piece);
            QVERIFY(!cutter.next(line));
            QVERIFY(cutter.pending() <= LineCutter::MaxLineLength);
        }
        cutter.feed("\r\n1018 INFO \"ok\"\r\n");
        QVERIFY(cutter.next(line));
        QCOMPARE(line.toByteArray(), QByteArray("1018 INFO \"ok\"\r"));
    }
};

QTEST_APPLESS_MAIN(tst_LineCutter)
#include "tst_linecutter.moc"
