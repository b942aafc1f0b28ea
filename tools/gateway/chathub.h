#pragma once

#include "member.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// Who is logged on, who sits in which channel, and what the commands do.
// Knows nothing of sockets: members are reached only through Member::send.
class ChatHub
{
public:
    static inline const QString DefaultChannel = QStringLiteral("Marrow Vale");
    // Where clients banned from their channel are sent.
    static inline const QString ExileChannel = QStringLiteral("Outskirts");

    // Registers the member under the wanted name, or under the first free
    // "name#N", and returns the name given.
    QString logOn(Member *member, const QString &wanted);
    void logOff(Member *member);
    bool isNameFree(const QString &name) const;
    Member *find(const QString &name) const;

    // Accounts last as long as the gateway: the first login of a name sets
    // its password, and later logins of that name must give the same one.
    // True when the password fits, or the name was new.
    bool admits(const QString &name, const QByteArray &password);
    // A name no client may log in as, whatever its password.
    void reserve(const QString &name);

    // Leaves the current channel first; entering the same one is a rejoin.
    // By value: callers pass member->channel, which leaving clears.
    void enter(Member *member, QString channel);
    void leave(Member *member);
    QList<Member *> membersOf(const QString &channel) const;
    bool isBanned(const QString &channel, const QString &name) const;

    void talk(Member *member, const QString &text);
    void emote(Member *member, const QString &text);
    // Returns false (after telling the sender) when the recipient is unknown.
    bool whisper(Member *from, const QString &to, const QString &text);
    // The member's channel sees the change; later lines carry the new flags.
    void setFlags(Member *member, const QString &flags);
    // To everyone logged on, in whichever channel.
    void announce(const Member *from, const QString &text);

    // A line a client typed: chat or a command.
    void handleLine(Member *member, const QString &line);

private:
    struct Channel
    {
        QString name;
        QList<Member *> members; // in the order they entered
        QSet<QString> banned;    // case-folded names
    };

    void command(Member *member, const QString &word, const QString &rest);
    void changeChannel(Member *member, const QString &channel);
    void ban(Member *member, const QString &target);
    void unban(Member *member, const QString &target);
    void stats(Member *member, const QString &target, const QString &product);
    void whois(Member *member, const QString &target);
    void help(Member *member);
    void toChannel(const QString &channel, const QString &line, const Member *except = nullptr);
    void dropIfUnused(const QString &key);

    QHash<QString, Member *> m_online;   // by case-folded name
    QHash<QString, Channel> m_channels;  // by case-folded channel name
    // By case-folded name: the password's digest, none for a reserved name.
    QHash<QString, std::optional<QByteArray>> m_accounts;
};
