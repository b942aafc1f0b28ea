#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Line layouts of the chat line protocol, server side. Every byte maps to one
// character through Latin-1, so arbitrary 8-bit text survives the round trip.
//
// The gateway shares no code with the client, on purpose: it is an
// independent peer written from the protocol, so a mistake in the client's
// line builders or parser cannot pass both sides of a test unseen.
namespace gw {

inline QByteArray encode(const QString &line)
{
    return line.toLatin1() + "\r\n";
}

inline QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The keep-alive: a client that has seen it come steadily takes a long
// silence for a dead link.
inline QString keepAlive()
{
    return QStringLiteral("2000 NULL");
}

inline QString name(const QString &name)
{
    return QStringLiteral("2010 NAME ") + name;
}

inline QString channel(const QString &channel)
{
    return QStringLiteral("1007 CHANNEL ") + quoted(channel);
}

inline QString user(const QString &name, const QString &flags)
{
    return QStringLiteral("1001 USER ") + name + QLatin1Char(' ') + flags + QStringLiteral(" [CHAT]");
}

inline QString join(const QString &name, const QString &flags)
{
    return QStringLiteral("1002 JOIN ") + name + QLatin1Char(' ') + flags + QStringLiteral(" [CHAT]");
}

inline QString leave(const QString &name, const QString &flags)
{
    return QStringLiteral("1003 LEAVE ") + name + QLatin1Char(' ') + flags;
}

inline QString talk(const QString &name, const QString &flags, const QString &text)
{
    return QStringLiteral("1005 TALK ") + name + QLatin1Char(' ') + flags + QLatin1Char(' ') + quoted(text);
}

inline QString whisperFrom(const QString &name, const QString &flags, const QString &text)
{
    return QStringLiteral("1004 WHISPER ") + name + QLatin1Char(' ') + flags + QLatin1Char(' ') + quoted(text);
}

inline QString whisperTo(const QString &name, const QString &flags, const QString &text)
{
    return QStringLiteral("1010 WHISPER ") + name + QLatin1Char(' ') + flags + QLatin1Char(' ') + quoted(text);
}

inline QString emote(const QString &name, const QString &flags, const QString &text)
{
    return QStringLiteral("1023 EMOTE ") + name + QLatin1Char(' ') + flags + QLatin1Char(' ') + quoted(text);
}

inline QString flagsChanged(const QString &name, const QString &flags)
{
    return QStringLiteral("1009 USER ") + name + QLatin1Char(' ') + flags;
}

// A server announcement: "_" stands where other lines have a name.
inline QString broadcast(const QString &text)
{
    return QStringLiteral("1006 _ ") + quoted(text);
}

inline QString info(const QString &text)
{
    return QStringLiteral("1018 INFO ") + quoted(text);
}

inline QString error(const QString &text)
{
    return QStringLiteral("1019 ERROR ") + quoted(text);
}

// Scripts read the port and the flood summary from stdout while the gateway
// keeps running, so every line is flushed at once.
inline void printOut(const QString &line)
{
    std::fputs(line.toLocal8Bit().append('\n').constData(), stdout);
    std::fflush(stdout);
}

inline void printErr(const QString &line)
{
    std::fputs(line.toLocal8Bit().append('\n').constData(), stderr);
}

} // namespace gw
