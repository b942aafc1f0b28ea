#include "protocol/MessageCodes.h"

namespace wire {

Inbound classify(QStringView line)
{
    if (line.size() < 4)
        return Inbound::None;
    const QStringView code = line.first(4);
    // Cheap pre-check: every known code starts with '1' or '2'.
    const char16_t c0 = code[0].unicode();
    if (c0 == u'1') {
        if (code == u"1001") return Inbound::User;
        if (code == u"1002") return Inbound::Join;
        if (code == u"1003") return Inbound::Leave;
        if (code == u"1004") return Inbound::Whisper;
        if (code == u"1005") return Inbound::Talk;
        if (code == u"1007") return Inbound::Channel;
        if (code == u"1018") return Inbound::Info;
        if (code == u"1023") return Inbound::Emote;
        if (code == u"1019") return Inbound::Error;
    } else if (c0 == u'2') {
        if (code == u"2000" || code == u"2010") return Inbound::Ignored;
    }
    return Inbound::None;
}

} // namespace wire
