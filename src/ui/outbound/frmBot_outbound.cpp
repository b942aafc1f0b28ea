// Everything the user sends: the composer, the action panel, the whisper
// button and the channel picker.
#include "app/frmBot.h"

#include "app/Accessibility.h"
#include "app/ActionLabel.h"
#include "connection/Globals.h"
#include "inbound/TranscriptBox.h"
#include "outbound/Composer.h"
#include "outbound/FrmChannel.h"
#include "outbound/SendNotice.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

#include <QToolTip>

#include <algorithm>
#include <limits>

namespace {

// Text of the list's current entry (not the selection), empty when none.
QString currentEntry(const QListWidget *list)
{
    const QListWidgetItem *item = list->item(list->currentRow());
    return item ? item->text() : QString();
}

} // namespace

namespace outbound {

void tellNothingSent(QWidget *at, const QString &notice)
{
    // Kept on the widget as well, so hovering shows it again after the
    // tip has faded.
    at->setToolTip(notice);
    QToolTip::showText(at->mapToGlobal(QPoint(0, at->height())), notice, at);
}

} // namespace outbound

bool frmBot::Send_Click()
{
    const QString typed = Text1->text();
    // Nothing waits for a connection: a line queued now could only go out
    // on a later one, to a session that never heard what came before.
    // While the session is being got back, lines wait for it.
    if (Winsock1->state() != Winsock::Connected && !away()) {
        outbound::tellNothingSent(Text1);
        return false;
    }
    QStringList selected;
    const int count = Roomlist->count();
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem *entry = Roomlist->item(i);
        if (entry && entry->isSelected())
            selected << entry->text();
    }
    const std::optional<outbound::PaceRule> &rule = m_outbox.rule();
    m_outbox.add(outbound::compose(typed, selected, ownName(), rule ? outbound::longestPassing(*rule) : 0));
    // Kept as typed, so Up brings back exactly what the user had.
    m_history.record(typed);
    Text1->setToolTip(QString());
    Text1->clear();
    sendWaiting();
    return true;
}

void frmBot::setPacing(std::optional<outbound::PaceRule> rule, qint64 marginMs)
{
    m_outbox.setRule(rule, marginMs);
    sendWaiting();
}

void frmBot::sendWaiting()
{
    tmrPace->stop();
    while (m_outbox.waiting() > 0) {
        // Away, only the way back goes: the rest is for the user's channel.
        if (away() && !m_rejoinFirst)
            break;
        const qint64 now = m_paceClock.elapsed();
        const qint64 due = m_outbox.dueAt(now);
        if (due > now) {
            tmrPace->start(int(std::min<qint64>(due - now, std::numeric_limits<int>::max())));
            break;
        }
        const OutboundQueue::Line line = m_outbox.first();
        if (Winsock1->state() != Winsock::Connected
            || !Winsock1->SendData(line.bytes + wire::toWire(wire::LineEnd))) {
            giveBackWaiting(outbound::WaitingNotSent);
            return;
        }
        m_outbox.markSent(now);
        m_rejoinFirst = false;
        bool echo = !line.echo.isNull();
        if (line.bytes.startsWith('/')) {
            if (const auto whisper = outbound::whisperOf(wire::fromWire(line.bytes))) {
                // A server that confirms whispers shows this one, with whom.
                echo = echo && m_whispers.echoesNow();
                m_whispers.written(*whisper, echo);
            }
        }
        if (echo)
            showLine(line.echo);
    }
    showWaiting();
}

void frmBot::tmrPace_Timer()
{
    sendWaiting();
}

void frmBot::Winsock1_Close()
{
    // A session being got back keeps its lines for when it is.
    if (m_outbox.waiting() > 0 && m_session.phase == connection::Phase::Off)
        giveBackWaiting(outbound::WaitingNotSent);
}

void frmBot::giveBackWaiting(const QString &notice)
{
    tmrPace->stop();
    QStringList texts = m_outbox.takeBack();
    showWaiting();
    if (texts.isEmpty())
        return;
    if (!Text1->text().isEmpty())
        texts.append(Text1->text());
    Text1->setText(texts.join(u' '));
    Text1->end(false);
    if (!notice.isEmpty())
        outbound::tellNothingSent(Text1, notice);
}

void frmBot::showWaiting()
{
    const qsizetype n = m_outbox.waiting();
    accessibility::tellWaiting(*this, n);
    if (n == 0) {
        lblWaiting->hide();
        Text1->setTextMargins(0, 0, 0, 0);
        return;
    }
    lblWaiting->setText(QStringLiteral("%1 waiting").arg(n));
    const int width = lblWaiting->fontMetrics().horizontalAdvance(lblWaiting->text()) + 10;
    const QRect line = Text1->geometry();
    lblWaiting->setGeometry(line.right() - 3 - width, line.top() + 4, width, line.height() - 8);
    // What is typed stops short of the label rather than running under it.
    Text1->setTextMargins(0, 0, width + 4, 0);
    lblWaiting->show();
    lblWaiting->raise();
}

bool frmBot::SendCommand(const QString &command)
{
    const QString typed = Text1->text();
    Text1->setText(command);
    // Nothing went out: the user gets back what they had typed rather than
    // a command they never wrote.
    if (Send_Click())
        return true;
    Text1->setText(typed);
    return false;
}

void frmBot::Text1_KeyPress(int &keyAscii)
{
    if (keyAscii == 13) {
        keyAscii = 0;
        Send_Click();
    }
}

void frmBot::Text1_KeyDown(int &keyCode, Qt::KeyboardModifiers shift)
{
    // Shift, Ctrl or Alt with an arrow is not a walk; the keypad's arrows are.
    if ((shift & ~Qt::KeypadModifier) != Qt::NoModifier)
        return;
    if (keyCode == Qt::Key_Escape) {
        // Only a queue to take back uses the key; otherwise it goes on as ever.
        if (m_outbox.waiting() > 0) {
            giveBackWaiting(QString());
            keyCode = 0;
        }
        return;
    }
    std::optional<QString> line;
    if (keyCode == Qt::Key_Up)
        line = m_history.up(Text1->text());
    else if (keyCode == Qt::Key_Down)
        line = m_history.down();
    else
        return;
    keyCode = 0;
    if (line) {
        Text1->setText(*line);
        Text1->end(false);
    }
}

void frmBot::Text2_KeyPress(int &keyAscii)
{
    Text1_KeyPress(keyAscii);
}

void frmBot::Label5_Click(int index)
{
    switch (index) {
    case 0: SendCommand(wire::banCommand(currentEntry(Roomlist))); break;
    case 1: SendCommand(wire::unbanCommand(currentEntry(Roomlist))); break;
    case 2: SendCommand(wire::rejoinCommand()); break;
    case 5: SendCommand(wire::statsCommand(currentEntry(Roomlist))); break;
    case 6: SendCommand(wire::whoisCommand(currentEntry(Roomlist))); break;
    default: break; // "Add in list" and "Insert in Loop" have no action yet
    }
}

void frmBot::Label5_MouseMove(int index, Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
{
    const int count = int(Label5.size());
    if (index == m_highlighted || index < 0 || index >= count)
        return;
    if (m_highlighted >= 0 && m_highlighted < count)
        Label5[size_t(m_highlighted)]->setBackStyle(ActionLabel::Transparent);
    Label5[size_t(index)]->setBackStyle(ActionLabel::Opaque);
    m_highlighted = index;
}

void frmBot::cmdWhisper_Click()
{
    SendCommand(wire::whisperCommand(currentEntry(Roomlist), Text1->text()));
}

void frmBot::Command7_Click()
{
    // A new dialog every time, so each showing starts empty.
    FrmChannel picker(this);
    picker.exec();
}
