#pragma once

#include <QString>

class ChatHub;

// Anyone the hub routes lines to: a connected client or a simulated bot.
class Member
{
public:
    virtual ~Member() = default;

    // One protocol line without its CR LF.
    virtual void send(const QString &line) = 0;

    // Called after the 1004 line was sent, so bots can answer.
    virtual void whispered(const QString &from, const QString &text)
    {
        Q_UNUSED(from);
        Q_UNUSED(text);
    }

    // The hub has already taken the member out of the channel.
    virtual void bannedFrom(ChatHub &hub, const QString &fromChannel, const QString &by) = 0;

    QString name;
    QString flags = QStringLiteral("0010");
    QString productCode = QStringLiteral("QUIL");
    QString productName = QStringLiteral("Quillon");
    QString channel; // empty while in no channel
};
