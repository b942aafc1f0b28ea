// Receive path of the main window: arrival, cutting, dispatch, and the
// handlers that apply each line to the transcript, the user list and the
// banner.
#include "app/frmBot.h"

#include "app/Accessibility.h"
#include "inbound/Fields.h"
#include "inbound/RosterIndex.h"
#include "inbound/TranscriptBox.h"
#include "protocol/MessageCodes.h"

namespace {
// Lines are handled for this long before pending events get their turn, so
// the window keeps painting and answering input under a flood.
constexpr qint64 SliceMs = 5;
// Received text not yet cut into lines. Past this, bytes stay in the socket
// and TCP slows the server down instead of our memory growing.
constexpr qsizetype BacklogLimit = 1 << 20;
// Under a flood the transcript catches up this often: one frame.
constexpr qint64 FlushEveryMs = 16;
// The socket is read this much at a time, as the lines are used up: a
// megabyte read and converted at once would hold up the event loop itself.
constexpr qint64 ReadPiece = 64 * 1024;
} // namespace

void frmBot::Winsock1_DataArrival(qint64)
{
    // The pass runs from the continuation timer, like every later slice, and
    // reads what has arrived piece by piece. Run from here, in the middle of
    // the posted events, it would follow the previous slice before any
    // timer had its turn.
    if (!m_parsing && !m_resume.isActive())
        m_resume.start();
}

void frmBot::ReceiveChunk(const QString &chunk)
{
    if (m_parsing) {
        // The running slice holds a view into the cutter; it takes this
        // text once it has used up what it has.
        m_deferred += chunk;
        return;
    }
    m_cutter.feed(chunk);
    ParseData();
}

void frmBot::ParseData()
{
    if (m_parsing)
        return;
    m_resume.stop(); // called directly, this pass is the continuation
    m_parsing = true;
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    QStringView line;
    for (;;) {
        if (!m_cutter.next(line)) {
            if (!m_deferred.isEmpty()) {
                m_cutter.feed(m_deferred);
                m_deferred.clear();
                continue;
            }
            if (Winsock1->bytesAvailable() > 0 && m_cutter.pending() < BacklogLimit) {
                m_cutter.feed(Winsock1->GetData(ReadPiece));
                continue;
            }
            more = false;
            break;
        }
        dispatch(line);
        // Yield point: a cheap clock read per line, a real yield per slice.
        if (slice.elapsed() >= SliceMs)
            break;
    }
    // While lines keep coming the transcript is brought up to date about
    // once a frame: each flush costs a repaint, and whoever reads the
    // transcript flushes it first anyway.
    if (!more || !m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= FlushEveryMs) {
        Text2->flush();
        m_sinceFlush.start();
    }
    m_parsing = false;
    if (more)
        m_resume.start();
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
    case Inbound::Ignored:
    case Inbound::None:
        break;
    }
}

void frmBot::OnTalk(QStringView line)
{
    if (const auto text = inbound::talkLine(line))
        Text2->appendLine(*text);
}

void frmBot::OnWhisper(QStringView line)
{
    if (const auto text = inbound::whisperLine(line))
        Text2->appendLine(*text);
}

void frmBot::OnInfo(QStringView line)
{
    Text2->appendLine(inbound::infoLine(line));
}

void frmBot::OnEmote(QStringView line)
{
    if (const auto text = inbound::emoteLine(line))
        Text2->appendLine(*text);
}

void frmBot::OnUser(QStringView line)
{
    const auto entry = inbound::userEntry(line);
    if (!entry)
        return;
    m_roster->append(*entry);
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
    QString caption = inbound::bannerCaption(CurrentChannel, Roomlist->count());
    inbound::makeVisible(caption);
    accessibility::setBannerText(Channel, caption);
}
