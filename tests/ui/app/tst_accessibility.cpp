#include "../outbound/OutboundHarness.h"

#include "app/ActionLabel.h"
#include "connection/frmLogin.h"
#include "outbound/FrmChannel.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTextDocument>

using R = QAccessible::Role;
static QAccessibleInterface *accessible(QWidget *w) { return QAccessible::queryAccessibleInterface(w); }

class tst_Accessibility : public QObject
{
    Q_OBJECT
private slots:
    // What a screen reader says of each control, found as window/control.
    void everyControlIsNamed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        auto row = [](const QString &path, R role, const QString &name) {
            QTest::newRow(qPrintable(path)) << path << int(role) << name;
        };
        row("frmBot/", R::Window, "Quillon V.1.01"); row("frmBot/Connect", R::Button, "Connect");
        row("frmBot/Command7", R::Button, "Channel"); row("frmBot/Quit", R::Button, "Quit");
        row("frmBot/cmdWhisper", R::Button, "Whisper"); row("frmBot/cmdEnter", R::Button, "Menu");
        row("frmBot/Text2", R::EditableText, "Transcript"); row("frmBot/Text1", R::EditableText, "Message");
        row("frmBot/Roomlist", R::List, "Users in channel"); row("frmBot/Channel", R::StaticText, "Channel");
        row("frmBot/Picture1", R::Grouping, "Actions");
        const char *actions[7] = {"Ban Player", "Unban Player", "Rejoin", "Add in list", "Insert in Loop", "Stats", "Who is"};
        for (int i = 0; i < 7; ++i)
            row(QStringLiteral("frmBot/Label5_%1").arg(i), R::Button, actions[i]);
        row("frmLogin/", R::Dialog, "MARROW VALE LOGIN"); row("frmLogin/Image1", R::Graphic, "Marrow Vale login");
        row("frmLogin/label4", R::StaticText, "User Name:"); row("frmLogin/lable5", R::StaticText, "Password:");
        row("frmLogin/UserNamet", R::EditableText, "User name"); row("frmLogin/Passwordt", R::EditableText, "Password");
        row("frmLogin/Login", R::Button, "Login"); row("frmLogin/Quit", R::Button, "Quit");
        row("FrmChannel/", R::Dialog, "Channel"); row("FrmChannel/Label1", R::StaticText, "Channel");
        row("FrmChannel/Label2", R::StaticText, "Channel Name :"); row("FrmChannel/List1", R::List, "Public channels");
        row("FrmChannel/txtchannel", R::EditableText, "Channel name");
        row("FrmChannel/Command1", R::Button, "ok"); row("FrmChannel/Command2", R::Button, "Quit");
    }
    void everyControlIsNamed()
    {
        QFETCH(QString, path);
        QFETCH(int, role);
        QFETCH(QString, name);
        frmBot w;
        frmLogin login(w);
        FrmChannel picker(&w);
        const QString window = path.section(u'/', 0, 0), control = path.section(u'/', 1);
        QWidget *top = window == "frmBot" ? &w : window == "frmLogin" ? static_cast<QWidget *>(&login) : &picker;
        QWidget *c = control.isEmpty() ? top : top->findChild<QWidget *>(control);
        QVERIFY(c);
        QCOMPARE(accessible(c)->role(), R(role));
        QCOMPARE(accessible(c)->text(QAccessible::Name), name);
        if (qobject_cast<QLabel *>(c) && role == R::Button) // pressed without the keyboard focus
            QVERIFY(accessible(c)->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        if (c == w.Channel) // named "Channel", it reads out its caption
            QCOMPARE(accessible(c)->textInterface()->text(0, -1), QStringLiteral("Marrow Vale"));
    }

    void pressingBanPlayerSendsTheBan()
    {
        ConnectedWindow c;
        fillRoomlist(c.w, Birds);
        c.w.Roomlist->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        accessible(c.w.Label5[0])->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!c.gw.received().isEmpty());
        QCOMPARE(c.takeSent(), QByteArray("/ban heron \r\n"));
    }

    // Names are read out as they are shown: a line feed cannot make two.
    // The marks beside a name are read in words.
    void listEntriesReadAsShown_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("read");
        QTest::newRow("line feed") << "1001 USER a\nb 0010 [CHAT]\r" << QStringLiteral("a\u240Ab ");
        QTest::newRow("every flag") << "1001 USER heron 007F [CHAT]\r"
                                    << QStringLiteral("heron, server administrator, service representative, "
                                                      "channel operator, speaker, squelched");
    }
    void listEntriesReadAsShown()
    {
        QFETCH(QString, line);
        QFETCH(QString, read);
        frmBot w;
        w.dispatch(line);
        QCOMPARE(accessible(w.Roomlist)->child(0)->text(QAccessible::Name), read);
    }

    // The banner shows a long channel name cut; a screen reader hears it whole.
    void bannerReadsTheWholeCaption()
    {
        frmBot w;
        const QString caption = QStringLiteral("The Harbour of Northern Lights and Far Southern Seas, Reborn  (0)");
        w.dispatch(QStringLiteral("1007 CHANNEL \"%1\"\r").arg(caption.chopped(5)));
        QVERIFY(w.Channel->text() != caption);
        QCOMPARE(accessible(w.Channel)->text(QAccessible::Value), caption);
        QCOMPARE(accessible(w.Channel)->textInterface()->text(0, -1), caption);
    }

    // Qt tells a screen reader of each change to the transcript's document.
    void oneTextChangePerFlush()
    {
        for (int lines : {3, TranscriptBox::FloodBatch + 100}) {
            frmBot w;
            QSignalSpy changes(w.Text2->document(), &QTextDocument::contentsChange);
            for (int i = 0; i < lines; ++i)
                w.Text2->appendLine(u"heron : hello");
            w.Text2->flush();
            QCOMPARE(changes.count(), 1);
        }
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
