#include "app/frmBot.h"
#include "inbound/TranscriptBox.h"

#include "ConnectedClient.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

namespace {
using Client = ConnectedClient;
} // namespace

class tst_Receive : public QObject
{
    Q_OBJECT
private slots:
    void linesReachTheDispatcherInOrder_data()
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
    void linesReachTheDispatcherInOrder()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qsizetype>, cuts);
        QFETCH(QStringList, lines);
        Client c;
        c.gw.sendSplit(bytes, cuts);
        QTRY_COMPARE(c.lines, lines);
    }

    void aFloodIsCutCompletelyAndInOrder()
    {
        Client c;
        QByteArray flood;
        const int n = 20000;
        for (int i = 0; i < n; ++i)
            flood += "1019 ERROR \"line " + QByteArray::number(i) + "\"\r\n";
        c.gw.send(flood);
        QTRY_COMPARE_WITH_TIMEOUT(c.lines.size(), n, 20000);
        for (int i = 0; i < n; i += 997)
            QCOMPARE(c.lines.at(i), QStringLiteral("1019 ERROR \"line %1\"\r").arg(i));
        QCOMPARE(c.lines.last(), QStringLiteral("1019 ERROR \"line %1\"\r").arg(n - 1));
    }

    // A modal box opened while lines are being handled must not stop the
    // receiver: data that comes in while it is open is still handled, in
    // order, and none is left in the socket.
    void dataArrivingWhileAModalBoxIsOpen()
    {
        Client c;
        bool boxSeen = false;
        int linesWhileOpen = -1;
        QByteArray first;
        for (int i = 0; i < 3000; ++i)
            first += "1018 INFO \"a" + QByteArray::number(i) + "\"\r\n";
        // Open a modal box from inside the receive path, as a click handled
        // at a yield point would.
        QObject::connect(&c.w, &frmBot::lineCut, &c.w, [&](QStringView line) {
            if (line != u"1018 INFO \"a100\"\r" || boxSeen)
                return;
            boxSeen = true;
            QTimer::singleShot(0, &c.w, [&] {
                QMessageBox box(QMessageBox::Information, QStringLiteral("Quillon"), QStringLiteral("busy"),
                                QMessageBox::Ok, &c.w);
                QTimer::singleShot(50, &c.w, [&] { c.gw.send("1018 INFO \"while open\"\r\n"); });
                QTimer::singleShot(100, &c.w, [&] {
                    (void)QTest::qWaitFor([&] { return c.lines.contains(QStringLiteral("1018 INFO \"while open\"\r")); }, 5000);
                    linesWhileOpen = int(c.lines.size());
                    box.accept();
                });
                box.exec();
            });
        });
        c.gw.send(first);
        QTRY_COMPARE_WITH_TIMEOUT(c.lines.size(), 3001, 10000);
        QVERIFY(boxSeen);
        QCOMPARE(linesWhileOpen, 3001);
        // Order kept: the late line comes after everything sent before it.
        QCOMPARE(c.lines.last(), QStringLiteral("1018 INFO \"while open\"\r"));
        QCOMPARE(c.w.Winsock1->bytesAvailable(), 0);
    }

    void transcriptShowsTheHandledLines()
    {
        Client c;
        c.gw.send("1018 INFO \"Welcome aboard\"\r\n1019 ERROR \"ignored\"\r\n");
        QTRY_COMPARE(c.lines.size(), 2);
        QCOMPARE(c.w.Text2->text(), QStringLiteral("Welcome aboard\r\n"));
        QCOMPARE(c.w.Text2->selStart(), c.w.Text2->text().size());
    }
};

QTEST_MAIN(tst_Receive)
#include "tst_receive.moc"
