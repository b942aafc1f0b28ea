#pragma once

// Drives the program's modal dialogs the way a user does: the dialog is
// opened by its button (or handler), and the test's steps run from the
// dialog's own event loop once it is up.

#include "app/frmBot.h"
#include "connection/frmLogin.h"
#include "outbound/FrmChannel.h"

#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

inline frmLogin *openLoginDialog()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (auto *d = qobject_cast<frmLogin *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Runs open, which must show the login dialog, and hands the dialog, once it
// is up, to drive. Returns when open has returned. A dialog that drive
// leaves open is closed, so a failed check cannot hang the test.
inline void withLoginDialog(QObject *context, const std::function<void()> &open,
                            const std::function<void(frmLogin &)> &drive)
{
    QTimer::singleShot(0, context, [drive] {
        QPointer<frmLogin> dialog = openLoginDialog();
        QVERIFY2(dialog, "Connect did not open the login dialog");
        drive(*dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    open();
}

// Calls Connect_Click and drives the dialog it opens.
inline void connectWith(frmBot &w, const std::function<void(frmLogin &)> &drive)
{
    withLoginDialog(&w, [&w] { w.Connect_Click(); }, drive);
}

// Clicks the Connect button and drives the dialog it opens.
inline void pressConnectWith(frmBot &w, const std::function<void(frmLogin &)> &drive)
{
    withLoginDialog(&w, [&w] { QTest::mouseClick(w.Connect, Qt::LeftButton); }, drive);
}

// Types text as key presses, one a character; QTest::keyClicks takes ASCII
// only.
inline void type(QWidget *box, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 128) {
            QTest::keyClick(box, char(text[i].unicode()));
        } else {
            const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
            i += n - 1;
        }
    }
}

inline void typeAndLogin(frmLogin &d, const QString &name, const QString &password)
{
    type(d.UserNamet, name);
    type(d.Passwordt, password);
    QTest::mouseClick(d.Login, Qt::LeftButton);
}

// Opens the channel picker the way the user does, with the "Channel" button,
// and runs act on it once it is up. Returns whether act ran, once the picker
// has closed; a picker the test leaves open is closed after a while so
// nothing hangs.
inline bool onPicker(frmBot &w, const std::function<void(FrmChannel *)> &act)
{
    bool ran = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *picker = qobject_cast<FrmChannel *>(QApplication::activeModalWidget());
        if (!picker || !picker->isVisible())
            return;
        poll.stop();
        ran = true;
        act(picker);
    });
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [] {
        if (auto *picker = qobject_cast<FrmChannel *>(QApplication::activeModalWidget()))
            picker->reject();
    });
    poll.start();
    rescue.start(10000);
    QTest::mouseClick(w.Command7, Qt::LeftButton);
    return ran;
}

// Clicks the picker's list entry at row.
inline void pick(FrmChannel *picker, int row)
{
    QListWidgetItem *item = picker->List1->item(row);
    picker->List1->scrollToItem(item);
    QTest::mouseClick(picker->List1->viewport(), Qt::LeftButton, {}, picker->List1->visualItemRect(item).center());
}
