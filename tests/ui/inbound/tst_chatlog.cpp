#include "app/frmBot.h"
#include "inbound/ChatLog.h"
#include "inbound/TranscriptBox.h"

#include "ConnectedWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The transcript with times in front and kept in a file, through a real
// window and socket.
class tst_ChatLog : public QObject
{
    Q_OBJECT
private slots:
    void logsEveryLine_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("a folder of its own") << true;
        QTest::newRow("a file where the folder should be") << false;
    }
    void logsEveryLine()
    {
        QFETCH(bool, writable);
        QTemporaryDir tmp;
        QString home = tmp.path();
        if (!writable) {
            QFile blocker(tmp.filePath(QStringLiteral("data")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            home = blocker.fileName();
        }
        ConnectedWindow c;
        c.w.setTimestamps(true);
        c.w.setLog(true, home);
        c.gw.send("1007 CHANNEL \"Marrow/Vale\"\r\n1005 TALK heron 0010 \"hi \xF0\x9F\x92\xAF\x1B[2J\"\r\n");
        QTRY_COMPARE(c.cut, 2);
        c.w.Text1->setText(QStringLiteral("hello"));
        QVERIFY(c.w.Send_Click());
        c.gw.send("1005 TALK heron 0010 \"again\"\r\n");
        QTRY_COMPARE(c.cut, 3);

        const QStringList shown = c.w.Text2->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        static const QRegularExpression stamped(QStringLiteral("^\\[\\d\\d:\\d\\d\\] "));
        const QStringList said = shown.filter(stamped);
        QCOMPARE(said.size(), 3);
        QVERIFY(said.first().endsWith(QStringLiteral("heron : hi \U0001F4AF\u241B[2J")));

        if (!writable) {
            // Told once, within the second, and chat goes on.
            const QString told = QStringLiteral("-!- The transcript is not being logged: cannot make the folder");
            QTRY_VERIFY_WITH_TIMEOUT(c.w.Text2->text().contains(told), 1500);
            c.gw.send("1005 TALK heron 0010 \"still here\"\r\n");
            QTRY_COMPARE(c.cut, 4);
            c.w.log()->flush();
            QCOMPARE(c.w.Text2->text().count(told), 1);
            QVERIFY(c.w.Text2->text().endsWith(QStringLiteral("heron : still here\r\n")));
            return;
        }
        const QString server = QStringLiteral("%1/quillon/logs/127.0.0.1%3A%2").arg(home).arg(c.gw.port());
        QFile file(server + QStringLiteral("/Marrow%2FVale.log"));
        QTRY_VERIFY_WITH_TIMEOUT(file.exists() && file.size() > 0 && QFile(file.fileName()).size() > 60, 1500);
        c.w.log()->flush();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        static const QRegularExpression dated(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.filter(dated).size(), 3);
        QVERIFY(lines.at(0).endsWith(QStringLiteral(" heron : hi \U0001F4AF\u241B[2J")));
        QVERIFY(lines.at(1).endsWith(QStringLiteral(" kestrel: hello")));
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), owner);
        for (const QString &folder : {home + QStringLiteral("/quillon"), home + QStringLiteral("/quillon/logs"), server})
            QCOMPARE(QFile(folder).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
                     owner | QFileDevice::ExeOwner);
    }

    // The transcript's menu turns the times on, and the settings file keeps
    // the choice without losing what else it says.
    void menuKeepsTheChoice()
    {
        QTemporaryDir tmp;
        const QString conf = tmp.filePath(QStringLiteral("quillon/quillon.conf"));
        QVERIFY(QDir().mkpath(tmp.filePath(QStringLiteral("quillon"))));
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# mine\npace=off\ntimestamps = off\n");
        file.close();
        frmBot w;
        w.setTimestamps(false, conf);
        w.show();
        QTimer picker;
        connect(&picker, &QTimer::timeout, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions())
                    if (a->text() == u"Show &Times")
                        a->trigger();
                menu->close();
            }
        });
        picker.start(10);
        emit w.Text2->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(w.timestamps());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("# mine\npace=off\ntimestamps=on\n"));
        w.OnInfo(QStringLiteral("1018 INFO \"x\"\r"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d\\] x\r\n$")).match(w.Text2->text()).hasMatch());
    }
};

QTEST_MAIN(tst_ChatLog)
#include "tst_chatlog.moc"
