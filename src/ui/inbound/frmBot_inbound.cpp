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
#include "protocol/Concat.h"
#include "protocol/MessageCodes.h"

#include <QApplication>

void frmBot::Winsock1_DataArrival(qint64)
{
    heard();
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
    const Inbound kind = wire::classify(line);
    switch (kind) {
    case Inbound::User: OnUser(line); break;
    case Inbound::Join: OnJoin(line); break;
    case Inbound::Leave: OnLeave(line); break;
    case Inbound::Whisper: OnWhisper(line); break;
    case Inbound::Talk: OnTalk(line); break;
    case Inbound::Channel: OnChannel(line); break;
    case Inbound::Info: OnInfo(line); break;
    case Inbound::Emote: OnEmote(line); break;
    case Inbound::Error: OnError(line); break;
    case Inbound::Broadcast: OnBroadcast(line); break;
    case Inbound::Flags: OnUserFlags(line); break;
    case Inbound::WhisperSent: OnWhisperSent(line); break;
    case Inbound::ChannelFull:
    case Inbound::ChannelMissing:
    case Inbound::ChannelRestricted: OnChannelRefused(line); break;
    case Inbound::Name: OnName(line); break;
    case Inbound::Unknown: OnUnknown(line); break;
    case Inbound::None: OnUncoded(line); break;
    case Inbound::Ignored: heardNull(); break;
    }
    // The first coded line says that the server took the login; what it
    // says before then (greetings, prompts, a refusal) has no code.
    if (kind != Inbound::None && !m_loginAnswered) {
        m_loginAnswered = true;
        if (m_reconnect)
            sessionEvent(connection::Event::Answered);
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

void frmBot::OnBroadcast(QStringView line)
{
    Text2->appendLine(inbound::broadcastLine(line));
    noteWhisper();
}

void frmBot::OnWhisperSent(QStringView line)
{
    const auto sent = inbound::whisperSent(line);
    if (sent && m_whispers.confirmed(sent->to, sent->text))
        Text2->appendLine(inbound::sentWhisperLine(ownName(), sent->to, sent->text));
}

void frmBot::OnChannelRefused(QStringView line)
{
    Text2->appendLine(inbound::refusedChannelLine(wire::classify(line), line));
}

void frmBot::OnName(QStringView line)
{
    if (const auto name = inbound::serverName(line))
        m_serverName = *name;
}

const QString &frmBot::ownName() const
{
    return m_serverName.isNull() ? UserName : m_serverName;
}

void frmBot::OnUnknown(QStringView line)
{
    // A code we do not know is still the server speaking: shown whole, as
    // its words and not as anyone's line, rather than dropped unseen.
    QStringView words = line;
    if (words.endsWith(u'\r'))
        words.chop(1);
    Text2->appendLine(wire::concat({inbound::BroadcastMark, words}));
}

void frmBot::OnUncoded(QStringView line)
{
    // Before the login has an answer, a refusal is all that matters of what
    // the server says; after it, a line without a code is nobody's.
    if (!m_loginSent || m_loginAnswered)
        return;
    if (const auto words = inbound::loginRefusal(line)) {
        Text2->appendLine(*words);
        setMousePointer(PointerArrow);
        m_refusal = *words;
        emit loginRefused(*words);
        if (m_reconnect)
            sessionEvent(connection::Event::Refused);
    }
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
        && inbound::mentions(text, inbound::trimBlanks(ownName())))
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
    const auto member = inbound::member(line);
    // An entry past the list's ceiling changes nothing, the banner included.
    if (member && m_roster->append(member->entry, member->flags))
        rewriteBanner();
}

void frmBot::OnUserFlags(QStringView line)
{
    if (const auto member = inbound::member(line))
        m_roster->setFlags(inbound::trimBlanks(member->entry).toString(), member->flags);
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
    if (m_session.rejoining)
        sessionEvent(connection::Event::InChannel, *name == m_usersChannel);
    else
        m_usersChannel = *name;
    rewriteBanner();
}

void frmBot::rewriteBanner()
{
    // The channel name stays as received; only what is shown loses its
    // control characters, so a line feed cannot stretch the banner.
    const QString caption = away() ? inbound::AwayCaption.toString()
                                   : inbound::bannerCaption(CurrentChannel, Roomlist->count());
    accessibility::setBannerText(Channel, inbound::shownText(caption, caption.size()));
}
