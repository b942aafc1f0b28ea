#include "inbound/Receiver.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

namespace {
// The receive engine on its own, reading from a buffer as from a socket.
struct Engine
{
    QByteArray buffer;
    QStringList lines;
    inbound::Receiver receiver{[this](QStringView l) { lines << l.toString(); }};

    Engine()
    {
        receiver.setSource([this](qint64 max) {
            const QByteArray piece = max < 0 ? buffer : buffer.left(max);
            buffer.remove(0, piece.size());
            return piece;
        });
    }
    void arrive(const QByteArray &bytes)
    {
        buffer += bytes;
        receiver.arrived();
    }
};
} // namespace

class tst_Receive : public QObject
{
    Q_OBJECT
private slots:
    void linesReachTheSinkInOrder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<qsizetype>>("cuts");
        QTest::addColumn<QStringList>("lines");
        const QByteArray two = "1002 JOIN heron 0010 [CHAT]\r\n1005 TALK heron 0010 \"hi\"\r\n";
        const QStringList twoLines{"1002 JOIN heron 0010 [CHAT]\r", "1005 TALK heron 0010 \"hi\"\r"};
        QTest::newRow("one arrival") << two << QList<qsizetype>{} << twoLines;
        QTest::newRow("split inside a line") << two << QList<qsizetype>{35} << twoLines;
        QTest::newRow("split between CR and LF") << two << QList<qsizetype>{28} << twoLines;
        QTest::newRow("split everywhere") << two << QList<qsizetype>{1, 5, 28, 29, 30, 50} << twoLines;
        QTest::newRow("prose before login is cut but matches no code")
            << QByteArray("Enter your name.\r\n2010 NAME x\r\n") << QList<qsizetype>{}
            << QStringList{"Enter your name.\r", "2010 NAME x\r"};
    }
    void linesReachTheSinkInOrder()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qsizetype>, cuts);
        QFETCH(QStringList, lines);
        Engine e;
        qsizetype from = 0;
        for (const qsizetype cut : cuts + QList<qsizetype>{bytes.size()}) {
            e.arrive(bytes.mid(from, cut - from));
            from = cut;
            QTRY_VERIFY(!e.receiver.busy());
        }
        QCOMPARE(e.lines, lines);
    }

    void aFloodIsCutCompletelyAndInOrder()
    {
        Engine e;
        const int n = 20000;
        for (int i = 0; i < n; ++i)
            e.buffer += "1019 ERROR \"line " + QByteArray::number(i) + "\"\r\n";
        e.receiver.arrived();
        QTRY_COMPARE_WITH_TIMEOUT(e.lines.size(), n, 20000);
        for (int i = 0; i < n; i += 997)
            QCOMPARE(e.lines.at(i), QStringLiteral("1019 ERROR \"line %1\"\r").arg(i));
        QCOMPARE(e.lines.last(), QStringLiteral("1019 ERROR \"line %1\"\r").arg(n - 1));
    }

    // A modal box opened while lines are being handled must not stop the
    // receiver: data that comes in while it is open is still handled, in
    // order, and none is left in the source.
    void dataArrivingWhileAModalBoxIsOpen()
    {
        Engine e;
        bool boxSeen = false;
        int linesWhileOpen = -1;
        QByteArray first;
        for (int i = 0; i < 3000; ++i)
            first += "1018 INFO \"a" + QByteArray::number(i) + "\"\r\n";
        QObject owner;
        const auto openBox = [&] {
            QMessageBox box(QMessageBox::Information, QStringLiteral("Quillon"), QStringLiteral("busy"));
            QTimer::singleShot(50, &owner, [&] { e.arrive("1018 INFO \"while open\"\r\n"); });
            QTimer::singleShot(100, &owner, [&] {
                (void)QTest::qWaitFor([&] { return e.lines.contains(QStringLiteral("1018 INFO \"while open\"\r")); }, 5000);
                linesWhileOpen = int(e.lines.size());
                box.accept();
            });
            box.exec();
        };
        // Open the box from inside the receive path, as a click handled
        // between two slices would.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &owner, [&] {
            if (!boxSeen && e.lines.contains(QStringLiteral("1018 INFO \"a100\"\r"))) {
                boxSeen = true;
                openBox();
            }
        });
        watch.start(0);
        e.arrive(first);
        QTRY_COMPARE_WITH_TIMEOUT(e.lines.size(), 3001, 10000);
        QVERIFY(boxSeen);
        QCOMPARE(linesWhileOpen, 3001);
        // Order kept: the late line comes after everything sent before it.
        QCOMPARE(e.lines.last(), QStringLiteral("1018 INFO \"while open\"\r"));
        QVERIFY(e.buffer.isEmpty());
    }
};

QTEST_MAIN(tst_Receive)
#include "tst_receive.moc"
