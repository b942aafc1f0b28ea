#include "protocol/MessageCodes.h"

namespace wire {

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

Inbound known(QStringView code)
{
    // Cheap pre-check: every known code starts with '1' or '2'.
    const char16_t c0 = code[0].unicode();
    if (c0 == u'1' && code[1] == u'0') {
        const QStringView low = code.sliced(2);
        if (low == u"01") return Inbound::User;
        if (low == u"02") return Inbound::Join;
        if (low == u"03") return Inbound::Leave;
        if (low == u"04") return Inbound::Whisper;
        if (low == u"05") return Inbound::Talk;
        if (low == u"06") return Inbound::Broadcast;
        if (low == u"07") return Inbound::Channel;
        if (low == u"09") return Inbound::Flags;
        if (low == u"10") return Inbound::WhisperSent;
        if (low == u"13") return Inbound::ChannelFull;
        if (low == u"14") return Inbound::ChannelMissing;
        if (low == u"15") return Inbound::ChannelRestricted;
        if (low == u"18") return Inbound::Info;
        if (low == u"19") return Inbound::Error;
        if (low == u"23") return Inbound::Emote;
    } else if (c0 == u'2') {
        if (code == u"2000") return Inbound::Ignored;
        if (code == u"2010") return Inbound::Name;
    }
    return Inbound::Unknown;
}

} // namespace

Inbound classify(QStringView line)
{
    if (line.size() < 4 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]) || !isDigit(line[3]))
        return Inbound::None;
    return known(line.first(4));
}

} // namespace wire
