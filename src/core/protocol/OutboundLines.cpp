#include "protocol/OutboundLines.h"

#include "protocol/Concat.h"

namespace wire {

QString withLineEnd(QStringView text)
{
    return concat({text, LineEnd});
}

QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return text;
}

QString handshakePreamble()
{
    return QStringLiteral("\x03\x04\r\n\r\n");
}

QString handshakeName(QStringView userName)
{
    return withLineEnd(oneLine(userName.toString()));
}

QString handshakePassword(QStringView password)
{
    return withLineEnd(oneLine(password.toString()));
}

QString whisperCommand(QStringView entry, QStringView text)
{
    return concat({u"/Whisper ", entry, u" ", text});
}

QString banCommand(QStringView entry)
{
    return concat({u"/ban ", entry});
}

QString unbanCommand(QStringView entry)
{
    return concat({u"/unban ", entry});
}

QString rejoinCommand()
{
    return QStringLiteral("/rejoin ");
}

QString statsCommand(QStringView entry)
{
    return concat({u"/stats ", entry, u" STAR"});
}

QString whoisCommand(QStringView entry)
{
    return concat({u"/whois ", entry});
}

QString channelCommand(QStringView channelName)
{
    return concat({u"/Channel ", channelName});
}

bool isCommand(QStringView text)
{
    return text.startsWith(CommandMarker);
}

} // namespace wire
