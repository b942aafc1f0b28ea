// Receive path of the main window: arrival, cutting, dispatch, and the
// handlers that apply each line to the transcript, the user list and the
// banner.
#include "app/frmBot.h"

#include "app/Accessibility.h"
#include "connection/Globals.h"
#include "inbound/Fields.h"
#include "inbound/Receiver.h"
#include "inbound/RosterIndex.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/MessageCodes.h"

#include <QApplication>

void frmBot::Winsock1_DataArrival(qint64)
{
    m_receiver->arrived();
}

void frmBot::ParseData()
{
    m_receiver->run();
}

void frmBot::dispatch(QStringView line)
{
    emit lineCut(line);
    using wire::Inbound;
    switch (wire::classify(line)) {
    case Inbound::User: OnUser(line); break;
    case Inbound::Join: OnJoin(line); break;
    case Inbound::Leave: OnLeave(line); break;
    case Inbound::Whisper: OnWhisper(line); break;
    case Inbound::Talk: OnTalk(line); break;
    case Inbound::Channel: OnChannel(line); break;
    case Inbound::Info: OnInfo(line); break;
    case Inbound::Emote: OnEmote(line); break;
    case Inbound::Error: OnError(line); break;
    case Inbound::Ignored:
    case Inbound::None:
        break;
    }
}

void frmBot::OnTalk(QStringView line)
{
    qsizetype textAt = 0;
    if (const auto text = inbound::talkLine(line, &textAt)) {
        Text2->appendLine(*text);
        noteChat(QStringView(*text).sliced(textAt));
    }
}

void frmBot::OnWhisper(QStringView line)
{
    if (const auto text = inbound::whisperLine(line)) {
        Text2->appendLine(*text);
        noteWhisper();
    }
}

void frmBot::OnInfo(QStringView line)
{
    Text2->appendLine(inbound::infoLine(line));
}

void frmBot::OnEmote(QStringView line)
{
    qsizetype textAt = 0;
    if (const auto text = inbound::emoteLine(line, &textAt)) {
        Text2->appendLine(*text);
        noteChat(QStringView(*text).sliced(textAt));
    }
}

void frmBot::OnError(QStringView line)
{
    // Shown as an information line is, so a refused command does not pass
    // for one that worked.
    OnInfo(line);
}

void frmBot::noteWhisper()
{
    // The batch has already wanted (or had) its alert: nothing to look at.
    if (m_attention == Attention::None && !QApplication::activeWindow())
        m_attention = Attention::Wanted;
}

void frmBot::noteChat(QStringView text)
{
    // The cheap tests first: under a flood in front of the user this is all.
    if (m_attention == Attention::None && !QApplication::activeWindow()
        && inbound::mentions(text, inbound::trimBlanks(UserName)))
        m_attention = Attention::Wanted;
}

void frmBot::receiverPassEnded()
{
    if (m_attention == Attention::Wanted) {
        // The user may have come back to the window during the pass; then
        // only a later line of the batch can ask again.
        if (QApplication::activeWindow()) {
            m_attention = Attention::None;
        } else {
            m_attention = Attention::Asked;
            QApplication::alert(this);
            emit attentionAsked();
        }
    }
    if (!m_receiver->busy())
        m_attention = Attention::None;
}

void frmBot::OnUser(QStringView line)
{
    const auto entry = inbound::userEntry(line);
    // An entry past the list's ceiling changes nothing, the banner included.
    if (entry && m_roster->append(*entry))
        rewriteBanner();
}

void frmBot::OnJoin(QStringView line)
{
    OnUser(line);
}

void frmBot::OnLeave(QStringView line)
{
    const auto name = inbound::leaveName(line);
    if (!name)
        return;
    m_roster->removeFirst(*name);
    rewriteBanner();
}

void frmBot::OnChannel(QStringView line)
{
    const auto name = inbound::channelName(line);
    if (!name)
        return;
    m_roster->clear();
    setMousePointer(PointerArrow);
    CurrentChannel = *name;
    rewriteBanner();
}

void frmBot::rewriteBanner()
{
    // The channel name stays as received; only what is shown loses its
    // control characters, so a line feed cannot stretch the banner.
    const QString caption = inbound::bannerCaption(CurrentChannel, Roomlist->count());
    accessibility::setBannerText(Channel, inbound::shownText(caption, caption.size()));
}
