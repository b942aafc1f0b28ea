#include "OutboundHarness.h"

#include "app/ActionLabel.h"
#include "outbound/SendNotice.h"

namespace {
constexpr int WhisperButton = -1;
constexpr int TabbedIn = -2;    // no current entry: Tab into the list
constexpr int CurrentLeft = -3; // heron current, then heron leaves

void click(frmBot &w, int action)
{
    if (action == WhisperButton)
        QTest::mouseClick(w.cmdWhisper, Qt::LeftButton);
    else
        QTest::mouseClick(w.Label5[size_t(action)], Qt::LeftButton);
}

// The one opaque label, or -1.
int highlighted(const frmBot &w)
{
    int lit = -1;
    for (int i = 0; i < int(w.Label5.size()); ++i) {
        if (w.Label5[size_t(i)]->backStyle() == ActionLabel::Opaque) {
            if (lit != -1)
                return -2; // more than one
            lit = i;
        }
    }
    return lit;
}
} // namespace

class tst_ActionPanel : public QObject
{
    Q_OBJECT
private slots:
    void sendsForTheCurrentEntry_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QByteArray>("wire");

        const QList<int> none;
        QTest::newRow("Ban Player") << 0 << 0 << none << QByteArray("/ban heron \r\n");
        QTest::newRow("Unban Player") << 1 << 0 << none << QByteArray("/unban heron \r\n");
        QTest::newRow("Rejoin") << 2 << 0 << none << QByteArray("/rejoin \r\n");
        QTest::newRow("Stats") << 5 << 0 << none << QByteArray("/stats heron  STAR\r\n");
        QTest::newRow("Who is") << 6 << 0 << none << QByteArray("/whois heron \r\n");
        QTest::newRow("Whisper") << WhisperButton << 0 << none << QByteArray("/Whisper heron  lag again\r\n");

        QTest::newRow("Ban Player, no current entry") << 0 << -1 << none << QByteArray("/ban \r\n");
        QTest::newRow("Unban Player, no current entry") << 1 << -1 << none << QByteArray("/unban \r\n");
        QTest::newRow("Rejoin, no current entry") << 2 << -1 << none << QByteArray("/rejoin \r\n");
        QTest::newRow("Stats, no current entry") << 5 << -1 << none << QByteArray("/stats  STAR\r\n");
        QTest::newRow("Who is, no current entry") << 6 << -1 << none << QByteArray("/whois \r\n");
        QTest::newRow("Whisper, no current entry") << WhisperButton << -1 << none << QByteArray("/Whisper  lag again\r\n");
        QTest::newRow("Ban Player, tabbed in") << 0 << TabbedIn << none << QByteArray("/ban \r\n");
        QTest::newRow("Unban Player, tabbed in") << 1 << TabbedIn << none << QByteArray("/unban \r\n");
        QTest::newRow("Stats, tabbed in") << 5 << TabbedIn << none << QByteArray("/stats  STAR\r\n");
        QTest::newRow("Who is, tabbed in") << 6 << TabbedIn << none << QByteArray("/whois \r\n");
        QTest::newRow("Whisper, tabbed in") << WhisperButton << TabbedIn << none << QByteArray("/Whisper  lag again\r\n");
        QTest::newRow("Ban Player, current entry left") << 0 << CurrentLeft << none << QByteArray("/ban \r\n");

        // The selection is the composer's business; these use the current entry.
        const QList<int> heronAndFinch{0, 2};
        QTest::newRow("Ban Player, others selected") << 0 << 1 << heronAndFinch << QByteArray("/ban owl \r\n");
        QTest::newRow("Stats, others selected") << 5 << 1 << heronAndFinch << QByteArray("/stats owl  STAR\r\n");
        QTest::newRow("Whisper, others selected")
            << WhisperButton << 1 << heronAndFinch << QByteArray("/Whisper owl  lag again\r\n");
        QTest::newRow("Rejoin, others selected") << 2 << 1 << heronAndFinch << QByteArray("/rejoin \r\n");
    }
    void sendsForTheCurrentEntry()
    {
        QFETCH(int, action);
        QFETCH(int, current);
        QFETCH(QList<int>, selected);
        QFETCH(QByteArray, wire);

        ConnectedWindow c;
        fillRoomlist(c.w, Birds, selected);
        if (current == TabbedIn) {
            c.w.Command7->setFocus();
            QTest::keyClick(c.w.Command7, Qt::Key_Tab);
            QTRY_COMPARE(QApplication::focusWidget(), c.w.Roomlist);
        } else if (current == CurrentLeft) {
            c.w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
            c.gw.send("1003 LEAVE heron 0010\r\n");
            QTRY_COMPARE(c.w.Roomlist->count(), 2);
        } else {
            c.w.Roomlist->setCurrentRow(current, QItemSelectionModel::NoUpdate);
        }
        QCOMPARE(c.w.Roomlist->currentRow(), std::max(current, -1));
        c.w.Text1->setText(QStringLiteral("lag again"));
        c.w.cmdEnter_Click();
        click(c.w, action);

        QCOMPARE(c.takeSent(), wire);
        QVERIFY(c.w.Text1->text().isEmpty());
        QVERIFY(c.w.Text2->text().isEmpty());
        QCOMPARE(selectedRows(c.w), selected);
        // The built command is there to repeat.
        QTest::keyClick(c.w.Text1, Qt::Key_Up);
        QCOMPARE(c.w.Text1->text().toLatin1() + "\r\n", wire);
    }

    // The entry is read at each click, not remembered.
    void theEntryIsReadAtEveryClick()
    {
        ConnectedWindow c;
        fillRoomlist(c.w, Birds);
        c.w.Picture1->show();
        c.w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        click(c.w, 6);
        c.w.Roomlist->setCurrentRow(2, QItemSelectionModel::NoUpdate);
        click(c.w, 6);
        delete c.w.Roomlist->takeItem(2);
        c.w.Roomlist->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
        click(c.w, 6);
        QCOMPARE(c.takeSent(), QByteArray("/whois heron \r\n/whois finch \r\n/whois \r\n"));
    }

    void labelsWithoutAnActionDoNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("Add in list") << 3;
        QTest::newRow("Insert in Loop") << 4;
        QTest::newRow("index past the array") << 7;
        QTest::newRow("negative index") << -1;
    }
    void labelsWithoutAnActionDoNothing()
    {
        QFETCH(int, index);
        ConnectedWindow c;
        fillRoomlist(c.w, Birds, {1});
        c.w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        c.w.Text1->setText(QStringLiteral("lag again"));
        c.w.Picture1->show();
        if (index >= 0 && index < 7)
            QTest::mouseClick(c.w.Label5[size_t(index)], Qt::LeftButton);
        else
            c.w.Label5_Click(index);

        QCOMPARE(c.takeSent(), QByteArray());
        QCOMPARE(c.w.Text1->text(), QStringLiteral("lag again"));
        QVERIFY(c.w.Text2->text().isEmpty());
        QCOMPARE(selectedRows(c.w), QList<int>{1});
        QCOMPARE(c.w.Roomlist->count(), 3);
    }

    void highlight_data()
    {
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<int>("lit");
        QTest::newRow("first move over label 0") << QList<int>{0} << -1;
        QTest::newRow("back and forth over label 0") << QList<int>{0, 0, 0} << -1;
        QTest::newRow("first move over label 3") << QList<int>{3} << 3;
        QTest::newRow("again and again over label 3") << QList<int>{3, 3, 3} << 3;
        QTest::newRow("from 2 to 5") << QList<int>{2, 5} << 5;
        QTest::newRow("label 0 after another") << QList<int>{4, 0} << 0;
        QTest::newRow("down the whole column") << QList<int>{0, 1, 2, 3, 4, 5, 6} << 6;
    }
    void highlight()
    {
        QFETCH(QList<int>, moves);
        QFETCH(int, lit);
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.cmdEnter, Qt::LeftButton);
        QVERIFY(w.Picture1->isVisible());
        for (int i : moves) {
            ActionLabel *label = w.Label5[size_t(i)];
            // Two moves inside the label, as a real pointer makes them.
            QTest::mouseMove(label, label->rect().center() - QPoint(3, 0));
            QTest::mouseMove(label, label->rect().center());
        }
        QTRY_COMPARE(highlighted(w), lit);
    }

    void moveFromTwoToFiveClearsTwo()
    {
        frmBot w;
        w.Label5_MouseMove(2, Qt::NoButton, Qt::NoModifier, 1, 1);
        QCOMPARE(w.Label5[2]->backStyle(), int(ActionLabel::Opaque));
        w.Label5_MouseMove(5, Qt::NoButton, Qt::NoModifier, 1, 1);
        QCOMPARE(w.Label5[2]->backStyle(), int(ActionLabel::Transparent));
        QCOMPARE(w.Label5[5]->backStyle(), int(ActionLabel::Opaque));
        // Stray indexes leave the highlight where it is.
        w.Label5_MouseMove(7, Qt::NoButton, Qt::NoModifier, 1, 1);
        w.Label5_MouseMove(-1, Qt::NoButton, Qt::NoModifier, 1, 1);
        QCOMPARE(highlighted(w), 5);
        // It stays while the panel is hidden, and shows again with it.
        w.cmdEnter_Click();
        w.cmdEnter_Click();
        QCOMPARE(highlighted(w), 5);
    }

    void failedSendKeepsTheTypedText_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("Ban Player") << 0;
        QTest::newRow("Rejoin") << 2;
        QTest::newRow("Whisper") << WhisperButton;
    }
    void failedSendKeepsTheTypedText()
    {
        QFETCH(int, action);
        frmBot w(QStringLiteral("127.0.0.1"), 9); // never connected
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        fillRoomlist(w, Birds);
        w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        w.Text1->setText(QStringLiteral("lag again"));
        w.Picture1->show();
        click(w, action);
        // Nothing went out, so what the user typed is not lost to a command
        // they never wrote.
        QCOMPARE(w.Text1->text(), QStringLiteral("lag again"));
        QCOMPARE(w.Text1->toolTip(), outbound::NothingSent);
        QVERIFY(w.Text2->text().isEmpty());
    }
};

QTEST_MAIN(tst_ActionPanel)
#include "tst_actionpanel.moc"
