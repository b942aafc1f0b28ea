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
#include <QFontMetrics>
#include <QTextLayout>

#include <algorithm>

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
        showLine(*text);
        noteChat(QStringView(*text).sliced(textAt));
    }
}

void frmBot::OnWhisper(QStringView line)
{
    if (const auto text = inbound::whisperLine(line)) {
        showLine(*text);
        noteWhisper();
    }
}

void frmBot::OnInfo(QStringView line)
{
    showLine(inbound::infoLine(line));
}

void frmBot::OnEmote(QStringView line)
{
    qsizetype textAt = 0;
    if (const auto text = inbound::emoteLine(line, &textAt)) {
        showLine(*text);
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
    showLine(inbound::broadcastLine(line));
    noteWhisper();
}

void frmBot::OnWhisperSent(QStringView line)
{
    const auto sent = inbound::whisperSent(line);
    if (sent && m_whispers.confirmed(sent->to, sent->text))
        showLine(inbound::sentWhisperLine(ownName(), sent->to, sent->text));
}

void frmBot::OnChannelRefused(QStringView line)
{
    showLine(inbound::refusedChannelLine(wire::classify(line), line));
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
    showLine(wire::concat({inbound::BroadcastMark, words}));
}

void frmBot::OnUncoded(QStringView line)
{
    // Before the login has an answer, a refusal is all that matters of what
    // the server says; after it, a line without a code is nobody's.
    if (!m_loginSent || m_loginAnswered)
        return;
    if (const auto words = inbound::loginRefusal(line)) {
        showLine(*words);
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
    const QString whole = inbound::shownText(caption, caption.size());
    if (away()) {
        accessibility::setBannerText(Channel, whole, whole);
        return;
    }

    // A name too long for one line is cut, never the count after it. A crowd
    // joining rewrites the caption once a member, so measuring stays off
    // that path: a few ASCII characters fit whatever they are, and a name
    // measured once holds for every count of as many digits when the font's
    // digits are all one width. Shared by windows, keyed by all it depends on.
    static struct
    {
        QFont font;
        int room = -1;
        qsizetype sureFit = 0; // ASCII characters that fit, however wide
        bool evenDigits = false;
        bool measured = false;
        QString name;      // shown name and count last measured,
        QString countKey;  // the count, or none when digits are even
        qsizetype countSize = 0;
        QString shownName; // the name or, when the two do not fit, its cut
    } fit;

    const QString count = inbound::bannerCaption({}, Roomlist->count());
    const QStringView name = QStringView(whole).chopped(count.size());
    const QFont &font = Channel->font();
    const int room = Channel->contentsRect().width() - 2 * Channel->margin();
    if (fit.room != room || fit.font != font) {
        const QFontMetrics fm(font);
        fit = {};
        fit.font = font;
        fit.room = room;
        fit.sureFit = (room - fm.maxWidth()) / qMax(1, fm.maxWidth()); // a glyph's overhang aside
        const int zero = fm.horizontalAdvance(u'0');
        fit.evenDigits = std::all_of(u"123456789", u"123456789" + 9,
                                     [&](char16_t d) { return fm.horizontalAdvance(QChar(d)) == zero; });
    }
    const bool sure = whole.size() <= fit.sureFit && std::all_of(whole.cbegin(), whole.cend(), [](QChar c) {
                          return c.unicode() >= 0x20 && c.unicode() < 0x7f; // no tab, no fallback font
                      });
    if (sure) {
        accessibility::setBannerText(Channel, whole, whole);
        return;
    }
    const QString countKey = fit.evenDigits ? QString() : count;
    if (!fit.measured || name != fit.name || count.size() != fit.countSize || countKey != fit.countKey) {
        // Laid out as the banner lays it out: a width that adds up can still
        // wrap, as a right-to-left name before the count does.
        const auto oneLine = [&](const QString &text) {
            QTextOption option(Channel->alignment());
            option.setWrapMode(QTextOption::WordWrap);
            option.setTextDirection(Channel->layoutDirection());
            QTextLayout layout(text, font);
            layout.setTextOption(option);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(room);
            const bool all = line.textLength() == text.size();
            layout.endLayout();
            return all;
        };
        const QFontMetrics fm(font);
        fit.measured = true;
        fit.name = name.toString();
        fit.countKey = countKey;
        fit.countSize = count.size();
        fit.shownName = fit.name;
        if (!oneLine(whole)) {
            // elidedText keeps grapheme clusters whole, surrogate pairs too.
            for (int left = room - fm.horizontalAdvance(count);;) {
                fit.shownName = fm.elidedText(fit.name, Qt::ElideRight, left);
                if (fit.shownName.isEmpty() || oneLine(fit.shownName + count))
                    break;
                left -= qMax(1, fm.horizontalAdvance(fit.shownName + count) - room);
            }
        }
    }
    accessibility::setBannerText(Channel, whole, fit.shownName + count);
}
