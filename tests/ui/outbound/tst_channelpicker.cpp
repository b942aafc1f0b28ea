#include "OutboundHarness.h"

#include "outbound/FrmChannel.h"
#include "outbound/SendNotice.h"

#include "DialogDrivers.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <functional>

class tst_ChannelPicker : public QObject
{
    Q_OBJECT
private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<qreal>("points");
        QTest::newRow("Label1") << "Label1" << QRect(88, 8, 57, 17) << 9.75;
        QTest::newRow("Label2") << "Label2" << QRect(312, 64, 105, 17) << 8.25;
        QTest::newRow("txtchannel") << "txtchannel" << QRect(320, 88, 137, 19) << 8.25;
        QTest::newRow("List1") << "List1" << QRect(16, 40, 209, 196) << 9.75;
        QTest::newRow("Command1") << "Command1" << QRect(336, 232, 57, 17) << 0.0;
        QTest::newRow("Command2") << "Command2" << QRect(408, 232, 57, 17) << 0.0;
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(qreal, points);
        frmBot w;
        FrmChannel picker(&w);
        auto *control = picker.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        if (points > 0) {
            QCOMPARE(control->font().pointSizeF(), points);
            QVERIFY(control->font().bold());
        }
    }

    void looks()
    {
        frmBot w;
        FrmChannel picker(&w);
        QCOMPARE(picker.windowTitle(), QStringLiteral("Channel"));
        QCOMPARE(picker.size(), QSize(475, 259));
        QCOMPARE(picker.Label1->text(), QStringLiteral("Channel"));
        QCOMPARE(picker.Label2->text(), QStringLiteral("Channel Name :"));
        QCOMPARE(picker.Command1->text(), QStringLiteral("ok"));
        QCOMPARE(picker.Command2->text(), QStringLiteral("Quit"));
        for (QLabel *label : {picker.Label1, picker.Label2}) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
            QVERIFY(!label->autoFillBackground());
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
        for (QWidget *box : {static_cast<QWidget *>(picker.txtchannel), static_cast<QWidget *>(picker.List1)}) {
            QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::black));
            QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::white));
        }
        for (QPushButton *b : {picker.Command1, picker.Command2})
            QCOMPARE(b->palette().color(QPalette::Button), QColor(128, 64, 0));
        QCOMPARE(picker.List1->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!picker.List1->isSortingEnabled());
    }

    void fifteenChannelsInOrder()
    {
        frmBot w;
        FrmChannel picker(&w);
        const QStringList expected = QStringList()
            << "Blizzard Tech Support" << "Open Tech Support" << "PGL Info" << "PGL Competition"
            << "Blizzard Chat 1" << "Blizzard Chat 2" << "Blizzard Chat 3" << "Blizzard Chat 4"
            << "Blizzard Chat 5" << "Blizzard Chat 6" << "Starcraft CAN-1" << "Opponents Wanted"
            << "Clan Recruitement" << "Terran Strategy" << "Custom Maps";
        QStringList shown;
        for (int i = 0; i < picker.List1->count(); ++i)
            shown << picker.List1->item(i)->text();
        QCOMPARE(shown, expected);
    }

    void backgroundPicture()
    {
        const QImage picture = FrmChannel::backgroundPicture().toImage();
        QCOMPARE(picture.size(), QSize(480, 260));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() <= 256);
        QVERIFY(colours.size() > 16);

        // Drawn from the top-left corner, unscaled, where no control lies.
        frmBot w;
        FrmChannel picker(&w);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        const QImage shown = picker.grab().toImage();
        for (QPoint p : {QPoint(1, 1), QPoint(250, 20), QPoint(300, 200), QPoint(474, 258)})
            QCOMPARE(shown.pixel(p), picture.pixel(p));
    }

    void focusStartsInTheNameBox()
    {
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QString focus;
        QList<QWidget *> chain;
        bool modal = false;
        QWidget *parent = nullptr;
        QVERIFY(onPicker(w, [&](FrmChannel *picker) {
            // The focus the picker gives when it becomes the active window.
            QWidget *at = picker->focusWidget();
            focus = at ? at->objectName() : QString();
            modal = picker->isModal();
            parent = picker->parentWidget();
            for (int step = 0; at && step < 50 && chain.size() < 4; ++step, at = at->nextInFocusChain())
                if (at->focusPolicy() & Qt::TabFocus)
                    chain << at;
            const QList<QWidget *> order{picker->txtchannel, picker->List1, picker->Command1, picker->Command2};
            if (chain == order)
                chain = {};
            picker->Command2->click();
        }));
        QCOMPARE(focus, QStringLiteral("txtchannel"));
        QVERIFY(chain.isEmpty()); // the order was txtchannel, List1, ok, Quit
        QVERIFY(modal);
        QCOMPARE(parent, &w);
    }

    void listPicksFillTheNameBox()
    {
        frmBot w;
        FrmChannel picker(&w);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        picker.txtchannel->setText(QStringLiteral("typed by hand"));
        pick(&picker, 11);
        QCOMPARE(picker.txtchannel->text(), QStringLiteral("Opponents Wanted"));

        // Moving with the keyboard picks too.
        picker.List1->setFocus();
        QTest::keyClick(picker.List1, Qt::Key_Down);
        QCOMPARE(picker.txtchannel->text(), QStringLiteral("Clan Recruitement"));

        // Clicking the picked entry again after an edit picks it again.
        picker.txtchannel->setText(QStringLiteral("edited"));
        pick(&picker, 12);
        QCOMPARE(picker.txtchannel->text(), QStringLiteral("Clan Recruitement"));
    }

    // Tab on the way from the name box to "ok" passes the list; that must
    // not overwrite a typed name with the first channel.
    void tabbingThroughTheListKeepsATypedName()
    {
        frmBot w;
        FrmChannel picker(&w);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QApplication::setActiveWindow(&picker);
        picker.txtchannel->setFocus();
        QTest::keyClicks(picker.txtchannel, QStringLiteral("Quiet Corner"));
        QTest::keyClick(picker.txtchannel, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), picker.List1);
        QCOMPARE(picker.txtchannel->text(), QStringLiteral("Quiet Corner"));
    }

    void okSendsTheChannelCommand_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("empty name") << -1 << "" << QByteArray("/Channel \r\n");
        QTest::newRow("Opponents Wanted") << 11 << "" << QByteArray("/Channel Opponents Wanted\r\n");
        QTest::newRow("first in the list") << 0 << "" << QByteArray("/Channel Blizzard Tech Support\r\n");
        QTest::newRow("last in the list") << 14 << "" << QByteArray("/Channel Custom Maps\r\n");
        QTest::newRow("typed by hand") << -1 << "Quiet Corner" << QByteArray("/Channel Quiet Corner\r\n");
        QTest::newRow("picked, then edited") << 2 << " 2" << QByteArray("/Channel PGL Info 2\r\n");
        QTest::newRow("40,000 characters") << -1 << QString(40000, u'x') << "/Channel " + QByteArray(40000, 'x') + "\r\n";
    }
    void okSendsTheChannelCommand()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QByteArray, wire);
        ConnectedWindow c;
        c.w.Text1->setText(QStringLiteral("typed in the input line"));
        bool closedByOk = false;
        QVERIFY(onPicker(c.w, [&](FrmChannel *picker) {
            if (row >= 0)
                pick(picker, row);
            picker->txtchannel->setText(picker->txtchannel->text() + typed);
            QObject::connect(picker, &QDialog::accepted, [&] { closedByOk = true; });
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
        }));
        QVERIFY(closedByOk);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(c.takeSent(), wire);
        // The command replaced the typed text and was not echoed.
        QVERIFY(c.w.Text1->text().isEmpty());
        QVERIFY(c.w.Text2->text().isEmpty());
    }

    void leavingWithoutOkSendsNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Quit") << "quit";
        QTest::newRow("close box") << "close";
        QTest::newRow("Escape") << "escape";
    }
    void leavingWithoutOkSendsNothing()
    {
        QFETCH(QString, how);
        ConnectedWindow c;
        c.w.Text1->setText(QStringLiteral("typed in the input line"));
        QVERIFY(onPicker(c.w, [&](FrmChannel *picker) {
            pick(picker, 3);
            if (how == u"quit")
                QTest::mouseClick(picker->Command2, Qt::LeftButton);
            else if (how == u"close")
                picker->close();
            else
                QTest::keyClick(picker->txtchannel, Qt::Key_Escape);
        }));
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(c.takeSent(), QByteArray());
        QCOMPARE(c.w.Text1->text(), QStringLiteral("typed in the input line"));
        QVERIFY(c.w.Text2->text().isEmpty());
    }

    void everyShowingStartsEmpty()
    {
        ConnectedWindow c;
        QVERIFY(onPicker(c.w, [](FrmChannel *picker) {
            pick(picker, 4);
            picker->Command2->click();
        }));
        QString name = QStringLiteral("unseen");
        int selected = -1;
        QVERIFY(onPicker(c.w, [&](FrmChannel *picker) {
            name = picker->txtchannel->text();
            selected = int(picker->List1->selectedItems().size());
            pick(picker, 5);
            picker->Command1->click();
        }));
        QCOMPARE(name, QString());
        QCOMPARE(selected, 0);
        QVERIFY(onPicker(c.w, [&](FrmChannel *picker) {
            name = picker->txtchannel->text();
            selected = int(picker->List1->selectedItems().size());
            picker->Command2->click();
        }));
        QCOMPARE(name, QString());
        QCOMPARE(selected, 0);
        QCOMPARE(c.takeSent(), QByteArray("/Channel Blizzard Chat 2\r\n"));
    }

    // The picker is modal for the user only: the conversation goes on.
    void receivingGoesOnWhileItIsOpen()
    {
        ConnectedWindow c;
        int linesSeen = -1;
        QVERIFY(onPicker(c.w, [&](FrmChannel *picker) {
            c.gw.send("1005 TALK heron 0010 \"still here\"\r\n");
            (void)QTest::qWaitFor([&] { return c.w.Text2->lineCount() == 1; });
            linesSeen = int(c.w.Text2->lineCount());
            picker->Command2->click();
        }));
        QCOMPARE(linesSeen, 1);
        QCOMPARE(c.w.Text2->text(), QStringLiteral("heron : still here\r\n"));
    }

    void failedOkKeepsThePickerOpen_data()
    {
        QTest::addColumn<bool>("closedByGateway");
        QTest::newRow("never connected") << false;
        QTest::newRow("closed by the gateway") << true;
    }
    void failedOkKeepsThePickerOpen()
    {
        QFETCH(bool, closedByGateway);
        LoopbackGateway gw;
        frmBot w(gw.host(), gw.port());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (closedByGateway) {
            w.Winsock1->Connect();
            QVERIFY(gw.waitForClient());
            QTRY_COMPARE(w.Winsock1->state(), Winsock::Connected);
            gw.closeClient();
            QTRY_VERIFY(w.Winsock1->state() != Winsock::Connected);
        }
        w.Text1->setText(QStringLiteral("lag again"));
        bool stillOpen = false;
        QString kept, mainNotice, pickerNotice, name;
        QVERIFY(onPicker(w, [&](FrmChannel *picker) {
            pick(picker, 2);
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
            stillOpen = picker->isVisible();
            kept = w.Text1->text();
            mainNotice = w.Text1->toolTip();
            pickerNotice = picker->Command1->toolTip();
            name = picker->txtchannel->text();
            QTest::mouseClick(picker->Command2, Qt::LeftButton);
        }));
        QVERIFY(stillOpen);
        QCOMPARE(name, QStringLiteral("PGL Info"));
        QCOMPARE(kept, QStringLiteral("lag again"));
        QCOMPARE(mainNotice, outbound::NothingSent);
        QCOMPARE(pickerNotice, outbound::NothingSent);
        QVERIFY(w.Text2->text().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(gw.received(), QByteArray());
    }
};

QTEST_MAIN(tst_ChannelPicker)
#include "tst_channelpicker.moc"
