// Everything the user sends: the composer, the action panel, the whisper
// button and the channel picker.
#include "app/frmBot.h"

#include "app/ActionLabel.h"
#include "connection/Globals.h"
#include "inbound/TranscriptBox.h"
#include "outbound/Composer.h"
#include "outbound/FrmChannel.h"
#include "outbound/SendNotice.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

#include <QToolTip>

namespace {

// Text of the list's current entry (not the selection), empty when none.
QString currentEntry(const QListWidget *list)
{
    const QListWidgetItem *item = list->item(list->currentRow());
    return item ? item->text() : QString();
}

} // namespace

namespace outbound {

void tellNothingSent(QWidget *at)
{
    // Kept on the widget as well, so hovering shows it again after the
    // tip has faded.
    at->setToolTip(NothingSent);
    QToolTip::showText(at->mapToGlobal(QPoint(0, at->height())), NothingSent, at);
}

} // namespace outbound

bool frmBot::Send_Click()
{
    const QString typed = Text1->text();
    QStringList selected;
    const int count = Roomlist->count();
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem *entry = Roomlist->item(i);
        if (entry && entry->isSelected())
            selected << entry->text();
    }
    for (const outbound::Outgoing &out : outbound::compose(typed, selected, UserName)) {
        if (!Winsock1->SendData(wire::toWire(wire::withLineEnd(out.line)))) {
            // The run stops here; what went out and what was echoed stays,
            // and the input line keeps the text so nothing typed is lost.
            outbound::tellNothingSent(Text1);
            return false;
        }
        if (!out.echo.isNull())
            Text2->appendLine(out.echo);
    }
    // Kept as typed, so Up brings back exactly what the user had.
    m_history.record(typed);
    Text1->setToolTip(QString());
    Text1->clear();
    return true;
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
